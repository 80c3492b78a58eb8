// machine-host run with hostile command lines: every option of every command
// given values a user could type by mistake or on purpose. Whatever the input,
// the host must end on its own, exit 0 or 1, never report an internal failure,
// and start every line it writes to stderr with "machine-host:".
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Arguments = std::vector<std::string>;

constexpr auto kLongestRun = std::chrono::seconds(60);

struct Ending {
  bool finished = false;
  int signal = 0;
  int code = -1;
  std::string errors;
};

// Runs in `folder`, where a hostile output name lands.
Ending RunHost(const Arguments& arguments, const fs::path& folder, const fs::path& errors) {
  std::vector<char*> argv{const_cast<char*>(MACHINE_HOST)};
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    const int none = open("/dev/null", O_RDWR);
    const int err = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(none, 0);
    dup2(none, 1);
    dup2(err, 2);
    if (chdir(folder.c_str()) != 0) _exit(126);
    execv(MACHINE_HOST, argv.data());
    _exit(127);
  }
  Ending ending;
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + kLongestRun;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      return ending;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ending.finished = true;
  if (WIFSIGNALED(status)) ending.signal = WTERMSIG(status);
  if (WIFEXITED(status)) ending.code = WEXITSTATUS(status);
  std::ostringstream text;
  text << std::ifstream(errors).rdbuf();
  ending.errors = text.str();
  return ending;
}

// Files a user may hand over by mistake.
class Scratch {
 public:
  // One folder per test and run, as ctest runs them side by side and two
  // runs of the suite may meet.
  Scratch()
      : folder_(fs::temp_directory_path() /
                ("varnok-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
                 std::to_string(getpid()))) {
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    Write("empty.wav", "");
    Write("text.wav", "not audio\n");
    Write("nul.song", std::string("machine a \"Varnok's Pulse\"\nkey a 0 on C-4\0 9\n", 44));
    Write("bom.song", "\xEF\xBB\xBFmachine a \"Varnok's Pulse\"\nkey a 0 on C-4 9\n");
    Write("far.song", "machine a \"Varnok's Pulse\"\nkey a 16777216 on C-4 9\n");
    Write("long.song", "tempo 1\nticks-per-beat 1\nmachine a \"Varnok's Pulse\"\npattern a p 4096\nend\n"
                       "sequence a p*256 p*256\n");
    Write("silent.song", "machine a \"Varnok's Pulse\"\n");
    Write("huge_number.song", "machine a \"Varnok's Pulse\"\nattribute a \"Dynamic Channels\" "
                              "99999999999999999999999999\nkey a 0 on C-4 9\n");
    // A header that promises data, and no data.
    Write("header.wav", std::string("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x03\0\x01\0\x44\xAC\0\0\x10\xB1\x02\0\x04\0\x20\0"
                                    "data\0\0\0\0", 44));
  }
  ~Scratch() { fs::remove_all(folder_); }

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }
  std::string Folder() const { return folder_.string(); }

 private:
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(folder_ / name, std::ios::binary) << bytes;
  }
  fs::path folder_;
};

// Values for any option or argument: not numbers, numbers out of every range,
// numbers that overflow, control characters, an empty and a very long word.
const std::vector<std::string> kHostileValues = {
    "", "-", "--", "nan", "inf", "1e9", "-1", "0", "1.5", "0x10", " 7", "2147483648", "18446744073709551616", "99999999999999999999999999999", "abc", "\x01\x1b[2J",
    std::string(5000, '9')};

struct Command {
  Arguments base;                  // a command that runs as it stands
  std::vector<std::string> options;  // each given every hostile value in turn
};

std::vector<Arguments> HostileCommandLines(const Scratch& scratch) {
  const std::string song = GOOD_SONG;
  const std::string wav = scratch.Path("out.wav");
  const std::string test_plugins = VARNOK_TEST_PLUGIN_DIR;
  const std::vector<Command> commands = {
      {{"render", song, "-o", wav, "--plugins", test_plugins}, {"--block", "--tail", "--format", "-o", "--plugins"}},
      {{"analyze", wav}, {"--channel", "--bpm", "--tpb", "--every", "--plugin", "--plugins"}},
      {{"validate", test_plugins + "/minimal" VARNOK_PLUGIN_SUFFIX, "--only", "instances", "--strictness", "1"},
       {"--strictness", "--seed", "--only", "--timeout", "--plugins"}},
      {{"info", "Varnok's Chip"}, {"--plugins"}},
  };
  std::vector<Arguments> lines;
  // A render first, so that analyze has a file to read.
  lines.push_back(commands[0].base);
  for (const Command& command : commands) {
    for (const std::string& option : command.options) {
      Arguments base;  // the command without the option under test
      for (std::size_t i = 0; i < command.base.size(); ++i) {
        if (command.base[i] == option) {
          ++i;
        } else {
          base.push_back(command.base[i]);
        }
      }
      for (const std::string& value : kHostileValues) {
        Arguments line = base;
        line.push_back(option);
        line.push_back(value);
        lines.push_back(line);
      }
      Arguments missing = base;  // the option without its value
      missing.push_back(option);
      lines.push_back(missing);
    }
    // Every value as the first positional argument, where a file or plug-in goes.
    for (const std::string& value : kHostileValues) lines.push_back({command.base[0], value});
  }
  for (const char* file : {"nul.song", "bom.song", "far.song", "long.song", "silent.song",
                                  "huge_number.song"}) {
    lines.push_back({"render", scratch.Path(file), "-o", wav});
  }
  for (const std::string& input : {scratch.Folder(), std::string("/dev/null"), std::string("/dev/zero"), song}) {
    lines.push_back({"render", input, "-o", wav});
    lines.push_back({"analyze", input});
    lines.push_back({"info", input});
  }
  for (const char* file : {"empty.wav", "text.wav", "header.wav"}) lines.push_back({"analyze", scratch.Path(file)});
  lines.push_back({"analyze", wav, "--meter", "--json"});
  lines.push_back({"analyze", wav, "--meter", "--every", "2"});
  for (const std::string& value : kHostileValues) lines.push_back({value});
  lines.push_back({});
  lines.push_back({"--version"});
  lines.push_back({"render", "--help"});
  lines.push_back({"render", song, "-o", wav, "extra"});
  lines.push_back({"render", song, "-o", wav, "--unknown"});
  return lines;
}

std::string Shown(const Arguments& line) {
  std::string shown = "machine-host";
  for (const std::string& a : line) shown += " [" + a.substr(0, 40) + "]";
  return shown;
}

TEST(HostileArguments, EndInOneOwnLineAndNeverAsAnInternalFailure) {
  const Scratch scratch;
  const fs::path errors = scratch.Path("stderr.txt");
  for (const Arguments& line : HostileCommandLines(scratch)) {
    const Ending ending = RunHost(line, scratch.Folder(), errors);
    SCOPED_TRACE(Shown(line) + "\nstderr: " + ending.errors.substr(0, 400));
    ASSERT_TRUE(ending.finished) << "did not end within the time";
    ASSERT_EQ(ending.signal, 0) << "killed by a signal";
    EXPECT_TRUE(ending.code == 0 || ending.code == 1) << "exit code " << ending.code;
    EXPECT_EQ(ending.errors.find("unexpected failure"), std::string::npos);
    if (ending.code != 1) continue;  // a render to '-' writes its summary to stderr
    std::istringstream lines(ending.errors);
    int count = 0;
    for (std::string text; std::getline(lines, text); ++count) {
      EXPECT_EQ(text.rfind("machine-host: ", 0), 0u) << text;
    }
    EXPECT_GE(count, 1) << "a failure without a word";
  }
}

// Numbers as people write them are read as the numbers they are, a machine
// by the full name info prints, in bounded time; an empty sample format is not
// the default.
TEST(HostileArguments, WrittenNumbersAndFullNamesAreReadAndAnEmptyFormatIsRefused) {
  const Scratch scratch;
  const fs::path errors = scratch.Path("stderr.txt");
  const Arguments render = {"render", GOOD_SONG, "-o", scratch.Path("out.wav"), "--plugins", VARNOK_TEST_PLUGIN_DIR};
  const struct {
    const char* option;
    const char* value;
    int code;
  } cases[] = {{"--tail", "5e-1", 0}, {"--tail", "1E0", 0}, {"--tail", "-0", 0}, {"--tail", "+.5", 0},
               {"--tail", "1e", 1},   {"--tail", "e1", 1},  {"--tail", "-1e-9", 1}, {"--format", "", 1}};
  for (const auto& c : cases) {
    Arguments line = render;
    line.insert(line.end(), {c.option, c.value});
    const Ending ending = RunHost(line, scratch.Folder(), errors);
    EXPECT_EQ(ending.code, c.code) << c.option << " '" << c.value << "': " << ending.errors;
  }
  EXPECT_EQ(RunHost({"info", "Varnok's Test Generator"}, scratch.Folder(), errors).code, 0);
  // A name is sought by loading every plug-in in the folder; one stuck there meets --timeout.
  setenv("VARNOK_FAULT", "hang-in-info", 1);
  const Ending stuck = RunHost({"validate", "No Such Machine", "--plugins", VARNOK_TEST_PLUGIN_DIR, "--timeout", "1"},
                               scratch.Folder(), errors);
  unsetenv("VARNOK_FAULT");
  EXPECT_EQ(stuck.code, 1) << stuck.errors;
  EXPECT_NE(stuck.errors.find("a plug-in in the folder never returned"), std::string::npos) << stuck.errors;
}

std::string Output(const std::string& command, int& status) {
  FILE* pipe = popen(command.c_str(), "r");
  std::string text;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) text += buffer;
  status = pclose(pipe);
  return text;
}

// The replay line of a failed check, pasted into sh and bash as it stands,
// runs that check again on the same file, however its name is quoted.
TEST(HostileArguments, ValidatesReplayLineRunsTheFailedCheckAgainInShAndBash) {
  const Scratch scratch;
  const std::string plugin = scratch.Path("Varnok's faulty $x.so");
  fs::copy_file(VARNOK_TEST_PLUGIN_DIR "/faulty" VARNOK_PLUGIN_SUFFIX, plugin);
  setenv("VARNOK_FAULT", "nan", 1);
  int status = 0;
  const std::string run = Output("cd '" + scratch.Folder() + "' && \"" MACHINE_HOST "\" validate "
                                 "\"Varnok's faulty \\$x.so\" --only parameter-bytes --strictness 1 --seed 5",
                                 status);
  const std::size_t at = run.find("replay: ");
  ASSERT_NE(at, std::string::npos) << run;
  const std::string replay = run.substr(at + 8, run.find('\n', at) - at - 8);
  EXPECT_NE(replay.find("--only parameter-bytes"), std::string::npos) << replay;
  for (const char* shell : {"sh", "bash"}) {
    std::ofstream(scratch.Path("replay.sh")) << replay << "\n";
    const std::string again = Output(std::string("cd '") + scratch.Folder() + "' && " + shell + " replay.sh", status);
    EXPECT_EQ(WEXITSTATUS(status), 1) << shell << ": " << again;
    EXPECT_NE(again.find("parameter-bytes"), std::string::npos) << shell << ": " << again;
    EXPECT_NE(again.find("1 failed"), std::string::npos) << shell << ": " << again;
  }
  unsetenv("VARNOK_FAULT");
}

}  // namespace
