// A DLL that attacks the host running it, one attack a run: each must fail
// the call it is made in with one line and exit 1, or reach nothing that is
// not the machine's own, quickly and in little memory.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "host/core/host_error.h"
#include "host/core/plugin_library.h"
#include "platform/isolated_run.h"
#include "platform/shared_counter.h"
#include "tests/host/pe32/stop_probe.h"
#include "tests/support/emulated_dlls.h"
#include "tests/support/hosted_machine.h"

namespace varnok::host {
namespace {

namespace fs = std::filesystem;

const std::string kHostile = std::string(VARNOK_EMULATED_TEST_PLUGIN_DIR) + "/hostile.dll";

// A folder, and a shared memory name for the DLL's own view, of this run's.
class Scratch {
 public:
  Scratch() : folder_(fs::temp_directory_path() / ("varnok-hostile-" + std::to_string(getpid()))) {
    fs::create_directories(folder_);
  }
  ~Scratch() {
    fs::remove_all(folder_);
    platform::RemoveSharedCounter(Target().c_str());
  }
  static std::string Target() { return "varnok-test-" + std::to_string(getpid()) + "-view"; }
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }
  std::string Write(const std::string& name, const std::string& text) const {
    std::ofstream(Path(name), std::ios::binary) << text;
    return Path(name);
  }

 private:
  fs::path folder_;
};

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Ran {
  int exit_code = -1;  // -1: ended by a signal
  std::string out, err;
  long peak_kb = 0;
  double seconds = 0;
};

// machine-host with `arguments`, the attack lent to the DLL, and `environment`
// added; its peak memory measured by GNU time, which starts it afresh (a
// child of this test would count this test's memory as its own).
Ran RunHost(const Scratch& scratch, const std::string& attack, const std::vector<std::string>& arguments,
            const std::vector<std::string>& environment) {
  const std::string out = scratch.Path("out.txt"), err = scratch.Path("err.txt"), peak = scratch.Path("peak.txt");
  const std::string target = Scratch::Target();
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
    dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
    setenv("MACHINE_HOST_GUEST_ENV", "VARNOK_ATTACK,VARNOK_TARGET", 1);
    setenv("VARNOK_ATTACK", attack.c_str(), 1);
    setenv("VARNOK_TARGET", target.c_str(), 1);
    for (const std::string& variable : environment) putenv(const_cast<char*>(variable.c_str()));
    std::vector<const char*> argv = {"time", "-f", "%M", "-o", peak.c_str(), MACHINE_HOST};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    execv("/usr/bin/time", const_cast<char* const*>(argv.data()));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  Ran ran;
  ran.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ran.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  ran.out = Read(out);
  ran.err = Read(err);
  ran.peak_kb = std::atol(Read(peak).c_str());
  return ran;
}

// True when `text` is `pattern`, whose one '*', if any, stands for any text.
bool Matches(const std::string& text, const std::string& pattern) {
  const std::size_t star = pattern.find('*');
  if (star == std::string::npos) return text == pattern;
  const std::string before = pattern.substr(0, star), after = pattern.substr(star + 1);
  return text.size() >= before.size() + after.size() && text.rfind(before, 0) == 0 &&
         text.compare(text.size() - after.size(), after.size(), after) == 0;
}

struct Attack {
  std::string name;
  std::string command;                   // info, or render of a song that plays the DLL
  std::vector<std::string> environment;
  int exit_code;
  std::string err;                       // all of standard error, see Matches
  std::string out_start;                 // what standard output starts with
};

std::vector<Attack> Attacks() {
  const std::string info = "machine-host: " + kHostile + ": GetInfo: ";
  const std::string limit = " s for an emulated call (MACHINE_HOST_EMULATED_LIMIT)\n";
  return {
      {"track-values-in-view", "render", {}, 1,
       "machine-host: hostile.dll: Initialize: track_values points at 0x01000ffe, where its 4 bytes are not "
       "the machine's own writable memory\n", ""},
      {"track-values-in-code", "render", {}, 1,
       "machine-host: hostile.dll: ApplyTick: track_values points at 0x*, where its 4 bytes are not the "
       "machine's own writable memory\n", ""},
      {"fault-in-render", "render", {}, 1,
       "machine-host: hostile.dll: Render: write to unmapped memory (4 bytes at 0x00001000) at hostile.dll+0x*\n", ""},
      {"fault-in-getinfo", "info", {}, 1,
       info + "write to unmapped memory (4 bytes at 0x00001000) at hostile.dll+0x*\n", ""},
      {"bad-name", "info", {}, 1, info + "full_name: reads 1 byte at 0x0fff0000, memory it cannot read\n", ""},
      {"read-secret", "info", {"VARNOK_SECRET=hunter2"}, 0, "", "No secret here (Hostile) by "},
      {"huge-precision", "info", {}, 0, "1." + std::string(512, '0') + "|abc|\n", "Hostile Machine"},
      {"huge-width", "info", {}, 1, info + "msvcrt.dll!vfprintf: writes more than 16 MB at once\n", ""},
      {"hang-in-getinfo", "info", {"MACHINE_HOST_EMULATED_LIMIT=0.5"}, 1,
       info + "ran past the limit of 0.5" + limit, ""},
      {"sleep-in-getinfo", "info", {"MACHINE_HOST_EMULATED_LIMIT=0.5"}, 1,
       info + "kernel32.dll!Sleep: ran past the limit of 0.5" + limit, ""},
      {"control-characters", "info", {}, 0, "\\x1B]0;pwnd\\x07\\x0D\n", "Hostile\\x1B[2J\\x07 (Hostile)"},
  };
}

TEST(HostileDll, EachAttackFailsItsCallInOneLineOrReachesNothing) {
  VARNOK_NEED_DLL(kHostile);
  const Scratch scratch;
  const std::string song = scratch.Write("hostile.song", "machine m hostile tracks 1\nroute m -> master\n"
                                                         "pattern m p 2\nC-4\noff\nend\nsequence m p\n");
  const std::string output = scratch.Write("earlier.wav", "an earlier render");
  for (const Attack& attack : Attacks()) {
    SCOPED_TRACE(attack.name);
    const std::vector<std::string> arguments =
        attack.command == "info"
            ? std::vector<std::string>{"info", kHostile}
            : std::vector<std::string>{"render", song, "-o", output, "--plugins", VARNOK_EMULATED_TEST_PLUGIN_DIR};
    const Ran ran = RunHost(scratch, attack.name, arguments, attack.environment);
    EXPECT_EQ(ran.exit_code, attack.exit_code) << ran.err;
    EXPECT_TRUE(Matches(ran.err, attack.err)) << ran.err.substr(0, 300);
    EXPECT_EQ(ran.out.rfind(attack.out_start, 0), 0u) << ran.out.substr(0, 300);
    EXPECT_EQ(Read(output), "an earlier render");
    EXPECT_LT(ran.peak_kb, 64 * 1024);
    EXPECT_LT(ran.seconds, 5.0);
  }
}

// Whatever name the DLL gives, its shared memory lands in the host's own
// namespace: another program's object of that name stays as it was.
TEST(HostileDll, SharedMemoryOfAnyNameStaysInTheHostsNamespace) {
  VARNOK_NEED_DLL(kHostile);
  const Scratch scratch;
  const std::string name = "varnok-test-" + std::to_string(getpid()) + "-precious";
  const std::string precious = "/dev/shm/" + name;
  std::ofstream(precious) << "a user's 100 kB of work";
  const Ran ran = RunHost(scratch, "map-any-name", {"info", kHostile}, {"VARNOK_TARGET=" + name});
  EXPECT_EQ(ran.exit_code, 0) << ran.err;
  EXPECT_EQ(Read(precious), "a user's 100 kB of work");
  EXPECT_EQ(Read("/dev/shm/varnok-shared." + name), "PWND");
  fs::remove(precious);
  platform::RemoveSharedCounter(name.c_str());
}

// The lent variable is all the DLL sees: lent, the secret is its name.
TEST(HostileDll, SeesOnlyTheVariablesLentToIt) {
  VARNOK_NEED_DLL(kHostile);
  const Scratch scratch;
  const Ran ran = RunHost(scratch, "read-secret", {"info", kHostile},
                          {"VARNOK_SECRET=hunter2", "MACHINE_HOST_GUEST_ENV=VARNOK_ATTACK,VARNOK_SECRET"});
  EXPECT_EQ(ran.out.rfind("hunter2 (Hostile) by ", 0), 0u) << ran.out;
}

// In a process of its own (StopProbe): a stop holds for the rest of the process.
TEST(HostileDll, AStopFromAnotherThreadEndsACallThatNeverReturns) {
  VARNOK_NEED_DLL(kHostile);
  const auto start = std::chrono::steady_clock::now();
  const platform::IsolatedRun run = platform::RunIsolated({platform::ThisProgram(), {kStopProbe}}, 60);
  EXPECT_EQ(run.ending, platform::IsolatedRun::Ending::kExited) << run.reason;
  EXPECT_EQ(run.report, "hostile.dll: ApplyTick: stopped: the host was asked to stop");
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.5);
}

}  // namespace

int StopProbe() {
  setenv("MACHINE_HOST_GUEST_ENV", "VARNOK_ATTACK", 1);
  setenv("VARNOK_ATTACK", "hang-in-tick", 1);
  try {
    testing::HostedMachine hosted(kHostile);
    std::thread signal_handler([] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      StopEmulatedCalls();
    });
    try {
      hosted.machine->ApplyTick();
      std::fputs("returned", stdout);
    } catch (const HostError& error) {
      std::fputs(error.what(), stdout);
    }
    signal_handler.join();
  } catch (const HostError& error) {
    std::fputs(error.what(), stdout);
  }
  return 0;
}

}  // namespace varnok::host
