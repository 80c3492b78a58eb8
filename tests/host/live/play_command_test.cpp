// machine-host play and live, run as a user runs them, against a JACK server
// of the test's own or none at all.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "jack_server.h"
#include "tests/host/render/song_file.h"

namespace varnok::host {
namespace {

using ::testing::HasSubstr;

constexpr int kSampleRate = 44100;
constexpr int kPeriod = 1024;
// A guard for every run: a command that hangs fails the test instead.
constexpr const char* kGuard = "timeout -k 5 60 ";

// One held tone through the Analyzer, so that what its window shows hardly
// depends on when in a tick the user-interface side refreshes it.
constexpr const char* kSteadyTone = R"(tempo 125
ticks-per-beat 4
sample-rate 44100
machine tone "Varnok's Pulse"
machine meter "Varnok's Analyzer"
route tone -> meter -> master
pattern tone held 24
A-4 60 .. .. ..
end
sequence tone held
)";

struct HostRun {
  int status;
  std::string output;  // stdout and stderr together
};

std::string Read(const std::string& file) {
  std::ostringstream text;
  text << std::ifstream(file).rdbuf();
  return text.str();
}

HostRun MachineHost(const std::string& prefix, const std::string& arguments, const std::string& log) {
  const std::string command = prefix + "\"" MACHINE_HOST "\" " + arguments + " > \"" + log + "\" 2>&1";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read(log)};
}

// The Analyzer's table, from its name line on.
std::string MeterTable(const std::string& output) {
  const std::size_t from = output.find("meter (Varnok's Analyzer)");
  return from == std::string::npos ? "" : output.substr(from);
}

struct MeterRow {
  std::string current, average;
};

// The two values of the row that starts with `label`.
MeterRow Row(const std::string& table, const std::string& label) {
  const std::size_t at = table.find(label);
  if (at == std::string::npos) return {};
  std::istringstream line(table.substr(at + label.size(), table.find('\n', at) - at - label.size()));
  MeterRow row;
  std::string unit;
  line >> row.current;
  if (label != "Dc Offset") line >> unit;
  line >> row.average;
  return row;
}

TEST(PlayWithoutServerTest, SaysHowToStartOneInOneLine) {
  testing::SongFolder folder;
  const std::string song = folder.Write("tone.song", kSteadyTone);
  setenv("JACK_DEFAULT_SERVER", "varnok-no-such-server", 1);
  for (const std::string& arguments : {"play \"" + song + "\"", std::string("live \"Varnok's Pulse\" --keyboard")}) {
    const HostRun run = MachineHost(kGuard, arguments, folder.Path("log.txt"));
    EXPECT_EQ(run.status, 1) << arguments;
    EXPECT_EQ(run.output,
              "machine-host: no JACK server is running: start one with 'jackd -d alsa', or run under "
              "PipeWire's JACK (pw-jack)\n")
        << arguments;
  }
}

class PlayCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { server_ = std::make_unique<testing::JackServer>(kSampleRate, kPeriod); }
  testing::SongFolder folder_;
  std::unique_ptr<testing::JackServer> server_;
};

TEST_F(PlayCommandTest, ShowsTheMeterThatRenderShows) {
  const std::string song = folder_.Write("tone.song", kSteadyTone);
  const HostRun rendered = MachineHost(kGuard, "render \"" + song + "\" -o \"" + folder_.Path("tone.wav") + "\"",
                                       folder_.Path("render.txt"));
  ASSERT_EQ(rendered.status, 0) << rendered.output;
  const HostRun played = MachineHost(kGuard, "play \"" + song + "\" --no-connect", folder_.Path("play.txt"));
  ASSERT_EQ(played.status, 0) << played.output;
  EXPECT_THAT(played.output, HasSubstr("24 ticks; JACK reported"));
  const std::string live = MeterTable(played.output), offline = MeterTable(rendered.output);
  ASSERT_NE(offline, "");
  ASSERT_NE(live, "") << played.output;
  // The power runs on through refreshes and ends where the song ends; a tick's
  // peaks of a held tone are the same wherever the tick is cut.
  EXPECT_EQ(Row(live, "Rms Power").current, Row(offline, "Rms Power").current) << live;
  EXPECT_NEAR(std::stod(Row(live, "Amplitude").current), std::stod(Row(offline, "Amplitude").current), 0.2) << live;
  // Each refresh takes what accumulated since the last one, and the audio side
  // never waits for it: the averages differ by where the refreshes fell (the
  // first, before any sound offline, most), and the offset of a sine, a sum
  // over the samples taken, is left out.
  EXPECT_NEAR(std::stod(Row(live, "Rms Power").average), std::stod(Row(offline, "Rms Power").average), 0.5) << live;
  EXPECT_NEAR(std::stod(Row(live, "Amplitude").average), std::stod(Row(offline, "Amplitude").average), 3.0) << live;
}

TEST_F(PlayCommandTest, RedrawsTheMeterOnATerminalAsTheTicksGo) {
  const std::string song = folder_.Write("tone.song", kSteadyTone);
  // script gives machine-host a terminal; every redraw clears to the end of the screen.
  const HostRun run = MachineHost(std::string(kGuard) + "script -qec '", "play " + song + " --no-connect' /dev/null",
                                  folder_.Path("log.txt"));
  ASSERT_EQ(run.status, 0) << run.output;
  std::size_t redraws = 0;
  for (std::size_t at = run.output.find("\x1b[J"); at != std::string::npos; at = run.output.find("\x1b[J", at + 1)) {
    ++redraws;
  }
  // At most one a tick and the clearing for the final table; a loaded machine
  // may take several ticks together, but some redraws come while it plays.
  EXPECT_GE(redraws, 3u) << run.output;
  EXPECT_LE(redraws, 24u + 1u) << run.output;
}

TEST_F(PlayCommandTest, CtrlCEndsALoopCleanly) {
  const std::string song = folder_.Write("tone.song", kSteadyTone);
  // SIGINT after a second and a half, when the 3-second song plays on.
  const HostRun run = MachineHost(std::string(kGuard) + "timeout --preserve-status -s INT 1.5 ",
                                  "play \"" + song + "\" --loop --tail 0.2 --no-connect", folder_.Path("log.txt"));
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_THAT(run.output, HasSubstr("under- or overruns"));
  EXPECT_THAT(run.output, HasSubstr("meter (Varnok's Analyzer)"));
}

TEST_F(PlayCommandTest, AServerThatGoesAwayStopsTheSong) {
  const std::string song = folder_.Write("tone.song", kSteadyTone);
  const std::string log = folder_.Path("log.txt");
  HostRun run{};
  std::thread player([&] { run = MachineHost(kGuard, "play \"" + song + "\" --loop --no-connect", log); });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (Read(log).find("Ctrl-C stops") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  server_->Stop();
  player.join();
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_THAT(run.output, HasSubstr("machine-host: the JACK server went away; the song stopped\n"));
}

TEST_F(PlayCommandTest, RefusesAKeyboardOnTheAnalyzer) {
  const std::string song = folder_.Write("tone.song", kSteadyTone);
  const HostRun run = MachineHost(kGuard, "play \"" + song + "\" --keyboard meter", folder_.Path("log.txt"));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.output,
            "machine-host: --keyboard: machine 'meter' (Varnok's Analyzer) takes no keyboard notes; only Varnok's "
            "Test Generator does\n");
}

}  // namespace
}  // namespace varnok::host
