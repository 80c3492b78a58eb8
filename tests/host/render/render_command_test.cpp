// machine-host render, run as a user runs it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "song_file.h"
#include "tests/support/read_audio.h"

namespace varnok::host {
namespace {

namespace fs = std::filesystem;

struct HostRun {
  int status;
  std::string output;  // stdout and stderr together
};

HostRun MachineHost(const std::string& arguments, const fs::path& folder) {
  const fs::path log = folder / "log.txt";
  // The harmless first word keeps cmd from stripping the outer quotes of a line
  // that starts with one; sh runs it alike.
  const std::string command =
      "cd . && \"" MACHINE_HOST "\" " + arguments + " > \"" + log.string() + "\" 2>&1";
  const int status = std::system(command.c_str());
  std::ostringstream text;
  text << std::ifstream(log).rdbuf();
  fs::remove(log);
  return {status, text.str()};
}

class RenderCommandTest : public ::testing::Test {
 protected:
  testing::SongFolder folder_;
};

TEST_F(RenderCommandTest, RendersASongOfTheTestGeneratorAndSumsItUp) {
  // 8000 Hz, 125 bpm, 4 ticks: 960 samples a tick; four rows and two tail ticks.
  const std::string song = folder_.Write("tune.song", R"(sample-rate 8000
machine lead "Varnok's Pulse" tracks 2
pattern lead a 4
A-4 40 .. .. .. | E-5 20 .. .. ..
.
off .. .. .. .. | off .. .. .. ..
end
sequence lead a
key lead 1 on 81 20
key lead 2 off 81
)");
  const std::string wav = folder_.Path("tune.wav");
  const HostRun run = MachineHost("render \"" + song + "\" -o \"" + wav + "\" --format pcm16 --tail 0.2 --block 100",
                              folder_.Folder());
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_THAT(run.output, ::testing::HasSubstr("0.720 s, 5760 samples at 8000 Hz, pcm16"));
  EXPECT_THAT(run.output, ::testing::HasSubstr("clipped samples 0"));
  EXPECT_THAT(run.output, ::testing::HasSubstr("real time"));

  const varnok::testing::Audio audio = varnok::testing::ReadAudio(wav);
  ASSERT_EQ(audio.samples.size(), 5760u);
  float early = 0.0f, late = 0.0f;
  for (std::size_t i = 0; i < 960; ++i) early = std::max(early, std::fabs(audio.samples[i]));
  for (std::size_t i = 3 * 960; i < audio.samples.size(); ++i) late = std::max(late, std::fabs(audio.samples[i]));
  EXPECT_GT(early, 16000.0f);  // velocities 40 and 20 of 80 add to three quarters of full level
  EXPECT_EQ(late, 0.0f);       // released notes end at the next tick
}

TEST_F(RenderCommandTest, ReportsSongMistakesWithTheirPlaceAndWritesNothing) {
  const std::string song = folder_.Write("bad.song", "machine lead \"Varnok's Pulse\"\npattern lead a 1\nH-4\nend\n");
  const std::string wav = folder_.Path("bad.wav");
  const HostRun run = MachineHost("render \"" + song + "\" -o \"" + wav + "\"", folder_.Folder());
  EXPECT_NE(run.status, 0);
  EXPECT_THAT(run.output, ::testing::HasSubstr(song + ":3:1: expected a note like C-4 or 'off', got 'H-4'"));
  EXPECT_FALSE(fs::exists(wav));
}

TEST_F(RenderCommandTest, TheDemoSongPlays) {
  const std::string wav = folder_.Path("demo.wav");
  // In the system's own form: a leading '/' would read as an option on Windows.
  const std::string song = fs::absolute(VARNOK_SOURCE_DIR "/examples/demo.song").make_preferred().string();
  const HostRun run = MachineHost("render \"" + song + "\" -o \"" + wav + "\"", folder_.Folder());
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_THAT(run.output, ::testing::HasSubstr("meter (Varnok's Analyzer)"));  // its window, read
  EXPECT_THAT(run.output, ::testing::HasSubstr("Rms Power      -inf dB  -11.96 dB"));
  const varnok::testing::Audio audio = varnok::testing::ReadAudio(wav);
  const double seconds = static_cast<double>(audio.samples.size()) / audio.sample_rate;
  EXPECT_GE(seconds, 15.0);
  EXPECT_LE(seconds, 30.0);
}

}  // namespace
}  // namespace varnok::host
