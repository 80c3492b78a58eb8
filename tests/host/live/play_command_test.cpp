// machine-host play and live, run as a user runs them, against a JACK server
// of the test's own or none at all, and heard by a client that knows nothing
// of them.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "jack_server.h"
#include "listener.h"
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

// Two pads and a bass, louder than full scale, after eight silent ticks in
// which the server takes up the player's connections.
constexpr const char* kLoudBand = R"(tempo 125
ticks-per-beat 4
sample-rate 44100
machine pad "Varnok's Pulse" tracks 2
machine bass "Varnok's Chip"
volume bass 30
pattern pad rest 8
end
pattern pad p 4
A-3 60 .. .. .. | E-4 50 .. .. ..
.
C-4 40 .. .. .. | off .. .. .. ..
end
pattern bass rest 8
end
pattern bass b 4
D-2 40 .. ..
.
G-2 .. 30 ..
off
end
sequence pad rest p p
sequence bass rest b b
)";

// What the keyboard below plays, as a song: each note a tick long.
constexpr const char* kKeyboardNotes = R"(tempo 125
ticks-per-beat 4
sample-rate 44100
machine keys "Varnok's Pulse"
key keys 1 on 69 64
key keys 2 off 69
key keys 4 on 76 64
key keys 5 off 76
)";
constexpr std::size_t kSamplesPerTick = 5292;
// The song's tick of each note the keyboard plays.
std::size_t SongTickOf(int note) { return note == 69 ? 1 : 4; }
// A loop of three quarters of a second: A-4 and E-5 at velocity 64, each 3000
// samples long and ringing out at the tick after, in silence before the next.
// Neither a note nor the loop falls on a period's start.
constexpr std::size_t kSequencerLoop = 33075;
const std::vector<std::string> kSequencer = {"jack_midiseq", "seq", std::to_string(kSequencerLoop),
                                             "300", "69", "3000", "16000", "76", "3000"};
constexpr std::size_t kNoteLength = 3000;
constexpr std::size_t kLoopsHeard = 4;
constexpr unsigned long kSettlingPeriods = 8;
constexpr auto kLongestWait = std::chrono::seconds(60);

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

// A program the test starts, stopped by its id however the test ends.
class Started {
 public:
  Started(const std::vector<std::string>& arguments, const std::string& log) {
    pid_ = fork();
    if (pid_ == 0) {
      const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(out, STDOUT_FILENO);
      dup2(out, STDERR_FILENO);
      std::vector<char*> argv;
      for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execvp(argv[0], argv.data());
      _exit(127);
    }
  }
  ~Started() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  void Signal(int signal) const { kill(pid_, signal); }
  // The exit status; -1 for a program that had to be killed.
  int Wait() {
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + kLongestWait;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > deadline) return -1;  // the destructor kills it
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
};

// False when `done` did not come true in time.
bool WaitFor(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + kLongestWait;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

bool JackConnect(const std::string& from, const std::string& to) {
  return std::system(("jack_connect " + from + " " + to + " > /dev/null 2>&1").c_str()) == 0;
}

// A float file's samples as they are stored: full scale is 1.
std::vector<float> ReadFloatFile(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) return {};
  std::vector<float> samples(static_cast<std::size_t>(info.frames));
  sf_read_float(file, samples.data(), info.frames);
  sf_close(file);
  return samples;
}

std::size_t FirstSound(const std::vector<float>& samples, std::size_t from = 0) {
  return static_cast<std::size_t>(
      std::find_if(samples.begin() + static_cast<long>(from), samples.end(), [](float x) { return x != 0.0f; }) -
      samples.begin());
}

float Peak(const std::vector<float>& samples) {
  float peak = 0.0f;
  for (float x : samples) peak = std::max(peak, std::fabs(x));
  return peak;
}

// Index of the first of `count` samples that differs by more than `tolerance`
// times the expected one, or -1.
long FirstDifference(const std::vector<float>& heard, std::size_t from, const std::vector<float>& expected,
                     std::size_t expected_from, std::size_t count, float gain, float tolerance) {
  for (std::size_t i = 0; i < count; ++i) {
    const float want = expected[expected_from + i] * gain;
    if (std::fabs(heard[from + i] - want) > std::fabs(want) * tolerance) return static_cast<long>(i);
  }
  return -1;
}

// A mistake in the arguments is told first; then the missing server, in one line.
TEST(PlayWithoutServerTest, SaysHowToStartOneInOneLineOnceTheArgumentsHold) {
  testing::SongFolder folder;
  const std::string song = folder.Write("tone.song", kSteadyTone);
  setenv("JACK_DEFAULT_SERVER", "varnok-no-such-server", 1);
  const std::string no_server =
      "machine-host: no JACK server is running: start one with 'jackd -d alsa', or run under PipeWire's JACK "
      "(pw-jack)\n";
  const std::pair<std::string, std::string> cases[] = {
      {"play \"" + song + "\"", no_server},
      {"live \"Varnok's Pulse\" --keyboard", no_server},
      {"play \"" + folder.Path("none.song") + "\"", "machine-host: " + folder.Path("none.song") + ": cannot read"},
      {"live \"Varnok's Analyzer\" --keyboard", "machine-host: --keyboard: Varnok's Analyzer takes no keyboard"},
  };
  for (const auto& [arguments, said] : cases) {
    const HostRun run = MachineHost(kGuard, arguments, folder.Path("log.txt"));
    EXPECT_EQ(run.status, 1) << arguments;
    EXPECT_EQ(run.output.rfind(said, 0), 0u) << arguments << ": " << run.output;
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

// The song, heard from its first sound on, is the float render's from its
// own, times the gain; play reports its peak and the samples beyond full scale.
void ExpectSongHeard(const std::vector<float>& heard, const std::vector<float>& rendered, float gain,
                     const std::string& output) {
  const std::size_t sound = FirstSound(heard), song_sound = FirstSound(rendered);
  const std::size_t length = rendered.size() - song_sound;
  const float tolerance = gain == 1.0f ? 0.0f : 1e-6f;  // one rounding more
  EXPECT_EQ(FirstDifference(heard, sound, rendered, song_sound, length, gain, tolerance), -1);
  EXPECT_EQ(FirstSound(heard, sound + length), heard.size()) << "sound after the song";
  EXPECT_NEAR(Peak(heard), Peak(rendered) * gain, Peak(rendered) * tolerance);
  const auto over = std::count_if(rendered.begin(), rendered.end(), [&](float x) { return std::fabs(x * gain) > 1.0f; });
  char line[128];
  std::snprintf(line, sizeof line, "peak %.2f dBFS, samples over full scale (a sound card clips them) %ld\n",
                20.0 * std::log10(Peak(heard)), static_cast<long>(over));
  EXPECT_THAT(output, HasSubstr(line));
}

// Every note sent from the first sound on sounds from its frame, in silence
// before, as the song's note of that pitch sounds from its tick.
void ExpectNotesHeard(const testing::Listener& listener, const std::vector<float>& rendered,
                      const std::string& output) {
  const std::vector<float> heard = listener.Heard();
  const std::vector<testing::HeardNote> notes = listener.NoteOns();
  const std::uint64_t sound = listener.FirstFrame() + FirstSound(heard);
  const auto first =
      std::find_if(notes.begin(), notes.end(), [&](const testing::HeardNote& n) { return n.frame == sound; });
  ASSERT_NE(first, notes.end()) << "the first sound is not at a note's frame";
  std::size_t checked = 0;
  for (auto note = first; note != notes.end(); ++note) {
    const auto at = static_cast<std::size_t>(note->frame - listener.FirstFrame());
    if (at + kNoteLength > heard.size()) break;
    const std::size_t song_at = SongTickOf(note->note) * kSamplesPerTick;
    ASSERT_EQ(FirstSound(rendered, song_at - 1), song_at) << "the song's note " << note->note;
    EXPECT_TRUE(at == 0 || heard[at - 1] == 0.0f) << "sound before note " << note->note << " at " << at;
    EXPECT_EQ(FirstDifference(heard, at, rendered, song_at, kNoteLength, 1.0f, 0.0f), -1)
        << "note " << note->note << " at " << at;
    ++checked;
  }
  EXPECT_GE(checked, 2 * kLoopsHeard - 2);
  // Past its note-off a note rings on to the next tick, where its sine may
  // come a little closer to its crest.
  EXPECT_NEAR(Peak(heard), Peak(rendered), Peak(rendered) * 1e-3f);
  EXPECT_THAT(output, HasSubstr("samples over full scale (a sound card clips them) 0\n"));
}

// Heard by a client of the test's own, play and live sound at the level the
// render of the same notes writes into a float file.
struct LevelCase {
  const char* name;
  std::vector<std::string> arguments;  // after machine-host; "SONG" is the song
  const char* song;                    // rendered to judge what is heard
  float gain;                          // what --gain asks for, as a factor
  bool keyboard;                       // jack_midiseq plays machine-host:keyboard
};

const LevelCase kLevelCases[] = {
    {"Play", {"play", "SONG"}, kLoudBand, 1.0f, false},
    {"PlayTurnedDown", {"play", "SONG", "--gain", "-6"}, kLoudBand, static_cast<float>(std::pow(10.0, -6.0 / 20.0)),
     false},
    {"LiveKeyboard", {"live", "Varnok's Pulse", "--keyboard"}, kKeyboardNotes, 1.0f, true},
};

void PrintTo(const LevelCase& row, std::ostream* out) { *out << row.name; }

class LevelTest : public PlayCommandTest, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(LevelTest, IsHeardAtTheLevelRenderWrites) {
  const LevelCase& row = GetParam();
  const std::string song = folder_.Write("notes.song", row.song);
  const HostRun render = MachineHost(kGuard, "render \"" + song + "\" -o \"" + folder_.Path("notes.wav") + "\"",
                                     folder_.Path("render.txt"));
  ASSERT_EQ(render.status, 0) << render.output;
  const std::vector<float> rendered = ReadFloatFile(folder_.Path("notes.wav"));
  ASSERT_LT(FirstSound(rendered), rendered.size());
  testing::Listener listener(row.keyboard ? kLoopsHeard * kSequencerLoop
                                          : rendered.size() - FirstSound(rendered) + kPeriod);
  std::unique_ptr<Started> sequencer;
  if (row.keyboard) {
    sequencer = std::make_unique<Started>(kSequencer, folder_.Path("sequencer.txt"));
    ASSERT_TRUE(WaitFor([] { return JackConnect("seq:out", "listener:notes"); }));
  }
  std::vector<std::string> arguments = {MACHINE_HOST};
  for (const std::string& a : row.arguments) arguments.push_back(a == "SONG" ? song : a);
  const std::string log = folder_.Path("play.txt");
  Started host(arguments, log);
  if (row.keyboard) {
    ASSERT_TRUE(WaitFor([&] { return Read(log).find("Ctrl-C stops") != std::string::npos; })) << Read(log);
    // The keyboard comes once the player's output surely reaches the listener.
    const unsigned long connected = listener.Periods();
    ASSERT_TRUE(WaitFor([&] { return listener.Periods() > connected + kSettlingPeriods; }));
    ASSERT_TRUE(JackConnect("seq:out", "machine-host:keyboard"));
    ASSERT_TRUE(WaitFor([&] { return listener.Full(); }));
    host.Signal(SIGINT);
  }
  const int status = host.Wait();
  const std::string output = Read(log);
  ASSERT_EQ(status, 0) << output;
  ASSERT_TRUE(WaitFor([&] { return listener.Full(); })) << "heard only " << listener.Heard().size();
  if (row.keyboard) {
    ExpectNotesHeard(listener, rendered, output);
  } else {
    ExpectSongHeard(listener.Heard(), rendered, row.gain, output);
  }
}

INSTANTIATE_TEST_SUITE_P(PlayAndLive, LevelTest, ::testing::ValuesIn(kLevelCases),
                         [](const ::testing::TestParamInfo<LevelCase>& info) { return info.param.name; });

}  // namespace
}  // namespace varnok::host
