// Songs and keyboard notes played through a real JACK server (the dummy
// backend), with the engine's process callback watched for heap and locks.
// How the output sounds is judged from outside, in play_command_test.cpp.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "host/live/jack_client.h"
#include "host/live/keyboard.h"
#include "host/live/live_engine.h"
#include "host/render/song_renderer.h"
#include "host/song/song_parser.h"
#include "platform/audio_path_probe.h"
#include "jack_server.h"
#include "test_clients.h"

namespace varnok::host {
namespace {

using live::JackClient;
using live::LiveEngine;

constexpr int kSampleRate = 44100;
// Not a divisor of the tick (5292 samples at 125 bpm, 4 ticks a beat), so
// ticks and notes fall inside periods.
constexpr int kPeriod = 1024;
constexpr int kSamplesPerTick = 5292;
constexpr auto kPlayTimeout = std::chrono::seconds(60);

// Pads, a pulse bass and an Analyzer between them and the master.
constexpr const char* kBand = R"(tempo 125
ticks-per-beat 4
sample-rate 44100
machine pad "Varnok's Pulse" tracks 2
machine bass "Varnok's Chip"
machine meter "Varnok's Analyzer"
volume bass 16
route pad -> meter -> master
route bass -> meter
pattern pad p 4
A-3 80 .. .. .. | E-4 60 .. .. ..
.
C-4 70 .. .. .. | off .. .. .. ..
end
pattern bass b 4
A-2 40 .. ..
off .. .. 38
E-2 .. 38 ..
off .. .. ..
end
sequence pad p p p
sequence bass b b b
)";

RenderSettings Settings(bool live) {
  RenderSettings settings;
  settings.plugin_folder = VARNOK_PLUGIN_DIR;
  settings.halt_before_tail = live;
  return settings;
}

// The engine's process callback inside the probe: everything the host and
// the machines do there is counted.
struct ProbedEngine {
  LiveEngine* engine = nullptr;
  std::atomic<unsigned long> heap_operations{0};
  std::atomic<unsigned long> locks{0};

  static int Process(jack_nframes_t frames, void* data) {
    auto& self = *static_cast<ProbedEngine*>(data);
    platform::ArmAudioPathProbe();
    self.engine->Process(frames);
    const platform::AudioPathCounts counts = platform::DisarmAudioPathProbe();
    self.heap_operations.fetch_add(counts.heap_operations, std::memory_order_relaxed);
    self.locks.fetch_add(counts.locks, std::memory_order_relaxed);
    return 0;
  }
};

void WaitFor(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + kPlayTimeout;
  while (!done()) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the song did not end in time";
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

class LivePlayTest : public ::testing::Test {
 protected:
  void SetUp() override { server_ = std::make_unique<testing::JackServer>(kSampleRate, kPeriod); }
  std::unique_ptr<testing::JackServer> server_;
};

// Every machine, a keyboard on the pads and the messages it may send: note-on
// and note-off on two channels, a note-on of velocity 0 for a note-off.
TEST_F(LivePlayTest, PlaysASongAndAKeyboardWithoutHeapOrLocks) {
  JackClient player("player");
  SongRenderer renderer(ParseSong(kBand, "live.song", "."), Settings(true));
  LiveEngine engine(player, renderer, live::KeyboardMachine(renderer, "pad"));
  ProbedEngine probed;
  probed.engine = &engine;
  player.Activate(&ProbedEngine::Process, &probed);
  const auto tick = [](int t) { return static_cast<jack_nframes_t>(t * kSamplesPerTick); };
  const std::vector<testing::TimedNote> notes = {
      {tick(2), 0x90, 69, 100}, {tick(3), 0x91, 76, 60}, {tick(5), 0x80, 69, 0},
      {tick(7), 0x90, 76, 0},   {tick(8), 0x90, 72, 127}, {tick(10), 0x80, 72, 64},
  };
  testing::NoteSender sender(engine, notes);
  sender.Start();
  engine.Play();
  WaitFor([&] { return engine.Finished(); });
  EXPECT_EQ(sender.Sent(), notes.size());
  EXPECT_EQ(sender.Missed(), 0u);
  if (!platform::AudioPathProbeAvailable()) return;  // sanitizer builds count nothing
  EXPECT_EQ(probed.heap_operations.load(), 0u);
  EXPECT_EQ(probed.locks.load(), 0u);
}

TEST_F(LivePlayTest, RefusesAKeyboardForAMachineWithoutKeyboardNotes) {
  SongRenderer renderer(ParseSong(kBand, "live.song", "."), Settings(true));
  EXPECT_THROW(
      {
        try {
          live::KeyboardMachine(renderer, "bass");
        } catch (const HostError& error) {
          EXPECT_STREQ(error.what(),
                       "--keyboard: machine 'bass' (Varnok's Chip) takes no keyboard notes; only Varnok's Test Generator does");
          throw;
        }
      },
      HostError);
}

}  // namespace
}  // namespace varnok::host
