#include "host/render/song_renderer.h"

#include <gtest/gtest.h>

#include <sstream>

#include "host/core/host_error.h"
#include "host/song/song_parser.h"
#include "song_file.h"

namespace varnok::host {
namespace {

// 8000 Hz at 120 beats of 4 ticks: 1000 samples a tick.
constexpr const char* kHeader = "sample-rate 8000\ntempo 120\nticks-per-beat 4\n";

// The whole mix, pulled `period` frames at a time as an audio callback pulls
// it: each period filled by as many pulls as the ticks in it take.
std::vector<float> PullAll(SongRenderer& renderer, std::size_t period) {
  std::vector<float> mix;
  std::vector<float> buffer(period);
  for (;;) {
    std::size_t filled = 0;
    while (filled < period) {
      const std::size_t got = renderer.Pull(buffer.data() + filled, period - filled);
      if (got == 0) break;
      filled += got;
    }
    mix.insert(mix.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(filled));
    if (filled < period) return mix;
  }
}

class SongRendererTest : public ::testing::Test {
 protected:
  std::unique_ptr<SongRenderer> Make(const std::string& body, int block = kDefaultBlock,
                                     double tail = 0.0, RenderSettings settings = {}) {
    settings.block = block;
    settings.tail_seconds = tail;
    settings.plugin_folder = VARNOK_TEST_PLUGIN_DIR;
    return std::make_unique<SongRenderer>(LoadSong(folder_.Write("t.song", kHeader + body)), settings);
  }

  // What each recording machine saw, read before the machines are destroyed.
  std::vector<std::string> RenderAndRecord(SongRenderer& renderer) {
    // As render pulls: a block at a time, cut short where a tick ends.
    std::vector<float> block(kDefaultBlock);
    while (renderer.Pull(block.data(), block.size()) > 0) {
    }
    EXPECT_EQ(renderer.Pull(block.data(), block.size()), 0u) << "pulled past the end";  // and no second Halt
    std::vector<std::string> logs;
    for (std::size_t m = 0; m < renderer.MachineCount(); ++m) {
      logs.emplace_back(static_cast<const char*>(renderer.MachineAt(m).ExtList()));
    }
    return logs;
  }

  testing::SongFolder folder_;
};

TEST_F(SongRendererTest, CallsTheMachineInTheHostsOrder) {
  auto renderer = Make(R"(
machine r recorder tracks 2
attribute r "Alpha" 7
state r 01 02
pattern r p 2
10 | C-4 40 | ... ..
.. | off .. | D-4 ..
end
sequence r p
key r 1 on C-5 100
key r 1 off C-5
)");
  const auto logs = RenderAndRecord(*renderer);
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(logs[0],
            "Initialize(01 02)\n"
            "SetTrackCount(2)\n"
            "ApplyAttributes(7,0)\n"
            "ApplyTick(10 41,40 00,FF) spt=1000\n"
            "Render(256,0) at 0\nRender(256,0) at 256\nRender(256,0) at 512\nRender(232,0) at 768\n"
            "ApplyTick(FF FF,FF 43,FF) spt=1000\n"
            "OnMidiNote(0,72,100)\n"  // keys after the tick's ApplyTick, as its pattern notes
            "OnMidiNote(0,72,0)\n"
            "Render(256,0) at 0\nRender(256,0) at 256\nRender(256,0) at 512\nRender(232,0) at 768\n"
            "Halt\n");
}

TEST_F(SongRendererTest, SetsUpEachMachineBeforeTheNextIsCreated) {
  auto renderer = Make("machine a recorder\nmachine b recorder\npattern b p 1\nend\nsequence b p\n");
  EXPECT_EQ(renderer->TotalTicks(), 1);
  const auto logs = RenderAndRecord(*renderer);
  ASSERT_EQ(logs.size(), 2u);
  EXPECT_EQ(logs[1],
            "Initialize(null)\nSetTrackCount(1)\nApplyAttributes(5,0)\nApplyTick(FF 00,FF) spt=1000\n"
            "Render(256,0) at 0\nRender(256,0) at 256\nRender(256,0) at 512\nRender(232,0) at 768\nHalt\n");
}

TEST_F(SongRendererTest, GivesTheSameMixForEveryBlockSizeAndPeriod) {
  const std::string song = "machine r recorder\npattern r p 3\n.. | C-4\n.\n.. | off\nend\nsequence r p\n";
  auto renderer = Make(song, 1);
  const std::vector<float> reference = PullAll(*renderer, 1);
  ASSERT_EQ(reference.size(), 3000u);
  EXPECT_EQ(reference[1999], 999.0f);
  EXPECT_EQ(reference[2000], 0.0f);  // note off: Render answers false, which is silence
  for (int block : {7, 256, 999, 1000, kMaxBlock}) {
    for (std::size_t period : {1, 300, 1000, 4096}) {
      EXPECT_EQ(PullAll(*Make(song, block), period), reference) << "block " << block << ", period " << period;
    }
  }
}

TEST_F(SongRendererTest, HandsEffectsTheSumOfTheirInputs) {
  auto renderer = Make(R"(
machine loud recorder
machine quiet recorder
machine fx recorder
volume loud 50
route loud -> fx
route quiet -> fx -> master
pattern loud p 1
.. | C-4
end
sequence loud p
)");
  const std::vector<float> mix = PullAll(*renderer, kDefaultBlock);
  ASSERT_EQ(mix.size(), 1000u);
  for (std::size_t i = 0; i < mix.size(); i += 97) {
    // Half volume, the silent generator's false adds nothing, the effect halves.
    EXPECT_EQ(mix[i], static_cast<float>(i) / 4) << i;
  }
}

TEST_F(SongRendererTest, PlaysTheTailInWholeTicks) {
  auto renderer = Make("machine r recorder\npattern r p 2\nend\nsequence r p\n", 256, 0.3);
  EXPECT_EQ(renderer->TotalTicks(), 2 + 3);  // 2400 samples round up to 3 ticks
  EXPECT_EQ(PullAll(*renderer, kDefaultBlock).size(), 5000u);
}

// The names of the calls a recording machine saw, one word each.
std::string CallNames(const SongRenderer& renderer) {
  std::istringstream log(static_cast<const char*>(renderer.MachineAt(0).ExtList()));
  std::string names, line;
  while (std::getline(log, line)) names += (names.empty() ? "" : " ") + line.substr(0, line.find_first_of("( "));
  return names;
}

TEST_F(SongRendererTest, APlayerHaltsWhenTheRowsEndThenLetsTheTailRingOut) {
  RenderSettings live;
  live.halt_before_tail = true;
  auto renderer = Make("machine r recorder\nkey r 0 on C-5 100\n", 1000, 0.2, live);
  EXPECT_EQ(PullAll(*renderer, 1000).size(), 3000u);  // one tick, then 1600 samples in whole ticks
  EXPECT_EQ(CallNames(*renderer),
            "Initialize SetTrackCount ApplyAttributes ApplyTick OnMidiNote Render Halt ApplyTick Render ApplyTick Render");
}

TEST_F(SongRendererTest, ALoopPlaysItsKeysAgainUntilStoppedThenHaltsAtTheNextTick) {
  RenderSettings live;
  live.halt_before_tail = true;
  live.loop = true;
  auto renderer = Make("machine r recorder\npattern r p 2\nend\nsequence r p\nkey r 1 on C-5 100\n", 1000, 0.1, live);
  std::vector<float> buffer(3500);
  for (std::size_t done = 0; done < buffer.size();) done += renderer->Pull(buffer.data() + done, buffer.size() - done);
  renderer->Stop(renderer->TailTicks());  // half way through the loop's second tick 1
  EXPECT_EQ(PullAll(*renderer, 4096).size(), 500u + 1000u);
  EXPECT_EQ(CallNames(*renderer),
            "Initialize SetTrackCount ApplyAttributes ApplyTick Render ApplyTick OnMidiNote Render "
            "ApplyTick Render ApplyTick OnMidiNote Render Render Halt ApplyTick Render");
}

TEST_F(SongRendererTest, RefusesABlockSizeTheHostCannotServe) {
  for (int block : {0, kMaxBlock + 1}) {
    EXPECT_THROW(Make("machine r recorder\nkey r 0 off 0\n", block), HostError) << block;
  }
}

TEST_F(SongRendererTest, FindsPluginFilesBesideTheSongFirst) {
  const std::string copy = folder_.Path("mine" VARNOK_PLUGIN_SUFFIX);
  std::filesystem::copy_file(VARNOK_TEST_PLUGIN_DIR "/recorder" VARNOK_PLUGIN_SUFFIX, copy);
  EXPECT_NO_THROW(Make("machine r mine" VARNOK_PLUGIN_SUFFIX "\nkey r 0 off 0\n"));
  EXPECT_NO_THROW(Make("machine r " + copy + "\nkey r 0 off 0\n"));
  try {
    Make("machine r \"No Such Machine\"\n");
    FAIL() << "expected an error";
  } catch (const SongError& error) {
    const std::string expected = folder_.Path("t.song") +
                                 ":4:11: expected a plug-in file beside the song or a plug-in name in " +
                                 VARNOK_TEST_PLUGIN_DIR + ", got 'No Such Machine'";
    EXPECT_EQ(error.what(), expected);
  }
}

}  // namespace
}  // namespace varnok::host
