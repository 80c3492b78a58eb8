// Songs and keyboard notes played through a real JACK server (the dummy
// backend), recorded by a client of the test and held to the offline render.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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
constexpr unsigned long kSettlingPeriods = 8;

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

// Twelve silent ticks of the Test Generator, for a keyboard to play.
constexpr const char* kQuietPulse = R"(tempo 125
ticks-per-beat 4
sample-rate 44100
machine keys "Varnok's Pulse"
pattern keys idle 12
end
sequence keys idle
)";

RenderSettings Settings(bool live) {
  RenderSettings settings;
  settings.plugin_folder = VARNOK_PLUGIN_DIR;
  settings.halt_before_tail = live;
  return settings;
}

std::vector<float> RenderOffline(const std::string& text) {
  SongRenderer renderer(ParseSong(text, "offline.song", "."), Settings(false));
  std::vector<float> samples(renderer.TotalSamples());
  for (std::size_t done = 0; done < samples.size();) {
    const std::size_t got = renderer.Pull(samples.data() + done, samples.size() - done);
    if (got == 0) break;
    done += got;
  }
  return samples;
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

// Index of the first sample that differs, or -1.
long FirstDifference(const std::vector<float>& heard, const std::vector<float>& rendered) {
  for (std::size_t i = 0; i < rendered.size(); ++i) {
    if (heard[i] != rendered[i]) return static_cast<long>(i);
  }
  return -1;
}

class LivePlayTest : public ::testing::Test {
 protected:
  void SetUp() override { server_ = std::make_unique<testing::JackServer>(kSampleRate, kPeriod); }

  // Plays `text` live with its keyboard on `keyboard` (or none) fed `notes`,
  // and returns what was recorded, as long as the offline render of `expected`.
  std::vector<float> PlayLive(const std::string& text, const std::string& keyboard,
                              const std::vector<testing::TimedNote>& notes, std::size_t frames) {
    JackClient player("player");
    SongRenderer renderer(ParseSong(text, "live.song", "."), Settings(true));
    const int machine = keyboard.empty() ? -1 : live::KeyboardMachine(renderer, keyboard);
    LiveEngine engine(player, renderer, machine);
    probed_.engine = &engine;
    player.Activate(&ProbedEngine::Process, &probed_);
    testing::Recorder recorder(engine, frames);
    recorder.Start();
    std::unique_ptr<testing::NoteSender> sender;
    if (machine >= 0) {
      sender = std::make_unique<testing::NoteSender>(engine, notes);
      sender->Start();
    }
    // The server takes up new connections from a later period on: the song
    // starts once the recorder has surely been fed for a while.
    const unsigned long connected = recorder.Periods();
    WaitFor([&] { return recorder.Periods() > connected + kSettlingPeriods; });
    engine.Play();
    WaitFor([&] { return engine.Finished() && recorder.Full(); });
    EXPECT_EQ(recorder.Gaps(), 0u) << "periods the recorder missed";
    if (sender) {
      EXPECT_EQ(sender->Sent(), notes.size());
      EXPECT_EQ(sender->Missed(), 0u);
    }
    return recorder.Samples();
  }

  void ExpectNoHeapOrLock() const {
    if (!platform::AudioPathProbeAvailable()) return;  // sanitizer builds count nothing
    EXPECT_EQ(probed_.heap_operations.load(), 0u);
    EXPECT_EQ(probed_.locks.load(), 0u);
  }

  std::unique_ptr<testing::JackServer> server_;
  ProbedEngine probed_;
};

TEST_F(LivePlayTest, PlaysASongSampleForSampleAsItRenders) {
  const std::vector<float> rendered = RenderOffline(kBand);
  const std::vector<float> heard = PlayLive(kBand, "", {}, rendered.size() + kPeriod);
  EXPECT_EQ(FirstDifference(heard, rendered), -1);
  for (std::size_t i = rendered.size(); i < heard.size(); ++i) ASSERT_EQ(heard[i], 0.0f) << "after the end, at " << i;
  ExpectNoHeapOrLock();
}

TEST_F(LivePlayTest, KeyboardNotesSoundFromTheFrameTheyArrive) {
  // Each note lands inside a period; one note-off is a note-on of velocity 0.
  const auto tick = [](int t) { return static_cast<jack_nframes_t>(t * kSamplesPerTick); };
  const std::vector<testing::TimedNote> notes = {
      {tick(2), 0x90, 69, 100}, {tick(3), 0x91, 76, 60}, {tick(5), 0x80, 69, 0},
      {tick(7), 0x90, 76, 0},   {tick(8), 0x90, 72, 127}, {tick(10), 0x80, 72, 64},
  };
  const std::string as_keys = std::string(kQuietPulse) +
                              "key keys 2 on 69 100\nkey keys 3 on 76 60\nkey keys 5 off 69\n"
                              "key keys 7 off 76\nkey keys 8 on 72 127\nkey keys 10 off 72\n";
  const std::vector<float> rendered = RenderOffline(as_keys);
  const std::vector<float> heard = PlayLive(kQuietPulse, "keys", notes, rendered.size());
  EXPECT_EQ(FirstDifference(heard, rendered), -1);
  ExpectNoHeapOrLock();
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
