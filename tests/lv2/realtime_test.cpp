// run() takes no heap operation and no lock over a song's worth of notes and
// readings; instances on parallel threads keep to themselves while others come
// and go; a hundred instances leave nothing behind.
#include <gtest/gtest.h>

#include <atomic>
#include <dirent.h>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "instrument_cases.h"
#include "lv2/lilv_renderer.h"
#include "lv2/plugin_uris.h"
#include "platform/audio_path_probe.h"
#include "same_samples.h"
#include "signals.h"

namespace varnok::lv2::testing {
namespace {

const std::vector<std::uint32_t> kMixedBlocks = {64, 256, 1, 4096, 1000, 17};

// Keys from a fixed seed: chords, runs, held notes, all-notes-off, and the
// tempo changing now and then.
std::vector<TimedEvent> BusyKeys(std::uint32_t frames, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> key(24, 108), gap(1, 3000), velocity(1, 127);
  std::vector<TimedEvent> events;
  std::vector<int> held;
  for (std::uint32_t frame = 0; frame < frames; frame += static_cast<std::uint32_t>(gap(random))) {
    const int choice = gap(random) % 10;
    if (choice < 5) {
      held.push_back(key(random));
      events.push_back(NoteOn(frame, held.back(), velocity(random)));
    } else if (choice < 8 && !held.empty()) {
      events.push_back(NoteOff(frame, held.front()));
      held.erase(held.begin());
    } else if (choice == 8) {
      events.push_back({frame, {0xB0, 123, 0}});
      held.clear();
    } else {
      events.push_back(Tempo(frame, 60 + gap(random) % 180));
    }
  }
  return events;
}

TEST(Realtime, RunTakesNoHeapOperationAndNoLock) {
  if (!platform::AudioPathProbeAvailable()) GTEST_SKIP() << "this build cannot count heap operations and locks";
  {
    // The probe sees what the plug-ins do: making one is counted.
    LilvRenderer rig(kChipUri);
    const LV2_Descriptor* descriptor = rig.Descriptor();
    platform::ArmAudioPathProbe();
    LV2_Handle made = descriptor->instantiate(descriptor, kRate, "", LilvRenderer::Features());
    const platform::AudioPathCounts counted = platform::DisarmAudioPathProbe();
    descriptor->cleanup(made);
    ASSERT_GT(counted.heap_operations, 0u);
  }
  constexpr std::uint32_t kPart = 15 * 44100;  // four parts: a minute
  for (const char* uri : {kPulseUri, kChipUri}) {
    LilvRenderer rig(uri);
    platform::AudioPathCounts counts;
    for (unsigned part = 0; part < 4; ++part) {
      rig.Set("dynamic_channels", static_cast<float>(4 + 6 * part));
      rig.Set("track_available_at_db", -30.0f - 20.0f * part);
      if (uri == kChipUri) rig.Set("control2", static_cast<float>(20 * part));
      rig.Play(kPart, BusyKeys(kPart, part), kMixedBlocks, &counts);
    }
    EXPECT_EQ(counts.heap_operations, 0u) << uri;
    EXPECT_EQ(counts.locks, 0u) << uri;
  }
  LilvRenderer meter(kAnalyzerUri);
  platform::AudioPathCounts counts;
  for (int part = 0; part < 4; ++part) {
    meter.Set("refresh_rate", static_cast<float>(part % 3));
    meter.Set("averaging", static_cast<float>(2 - part % 3));
    meter.Set("tempo", 90.0f + 20.0f * part);
    meter.Process(Signal(part % 2 == 0 ? "noise" : "step", kPart), kMixedBlocks, &counts);
  }
  EXPECT_EQ(counts.heap_operations, 0u);
  EXPECT_EQ(counts.locks, 0u);
}

// What one instance plays of its own work: keys for the instruments, a signal
// and its readings for the Analyzer.
struct Work {
  std::vector<float> output;
  std::vector<float> readings;
};

const char* const kReadings[] = {"current_rms_power", "current_amplitude", "current_dc_offset",
                                 "average_rms_power", "average_amplitude", "average_dc_offset"};
const char* const kSignals[] = {"sine", "noise", "sine_over_dc"};

Work Perform(LilvRenderer& rig, const char* uri, unsigned which) {
  constexpr std::uint32_t kFrames = 3 * 44100;
  Work work;
  if (uri == kAnalyzerUri) {
    work.output = rig.Process(Signal(kSignals[which], kFrames), {64});
    for (const char* reading : kReadings) work.readings.push_back(rig.Get(reading));
  } else {
    work.output = rig.Play(kFrames, BusyKeys(kFrames, 100 + which), {64});
  }
  return work;
}

// Several instances of one plug-in run at once on threads of their own, as a
// host's process threads run them, while more instances are made, at another
// rate, and freed: each plays what it plays alone.
TEST(Realtime, InstancesOnParallelThreadsKeepToThemselves) {
  constexpr unsigned kInstances = 3;
  for (const char* uri : {kAnalyzerUri, kPulseUri, kChipUri}) {
    std::vector<Work> alone;
    for (unsigned i = 0; i < kInstances; ++i) {
      LilvRenderer rig(uri);
      alone.push_back(Perform(rig, uri, i));
    }
    std::vector<std::unique_ptr<LilvRenderer>> rigs;
    for (unsigned i = 0; i < kInstances; ++i) rigs.push_back(std::make_unique<LilvRenderer>(uri));
    std::vector<Work> together(kInstances);
    std::atomic<unsigned> running{kInstances};
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < kInstances; ++i) {
      threads.emplace_back([&, i] {
        together[i] = Perform(*rigs[i], uri, i);
        running.fetch_sub(1);
      });
    }
    const LV2_Descriptor* descriptor = rigs[0]->Descriptor();
    while (running.load() > 0) {
      LV2_Handle other = descriptor->instantiate(descriptor, 48000.0, "", LilvRenderer::Features());
      ASSERT_NE(other, nullptr);
      descriptor->activate(other);
      descriptor->cleanup(other);
    }
    for (std::thread& thread : threads) thread.join();
    for (unsigned i = 0; i < kInstances; ++i) {
      EXPECT_TRUE(SameSamples(together[i].output, alone[i].output)) << uri << " instance " << i;
      EXPECT_EQ(together[i].readings, alone[i].readings) << uri << " instance " << i;
    }
  }
}

int OpenFiles() {
  int count = 0;
  if (DIR* folder = opendir("/proc/self/fd")) {
    while (readdir(folder) != nullptr) ++count;
    closedir(folder);
  }
  return count;
}

// Two at a time, as a session with two of them is opened and closed; the
// sanitizer build's leak check sees the memory.
TEST(Realtime, AHundredInstancesComeAndGoLeavingNothingBehind) {
  for (const char* uri : {kAnalyzerUri, kPulseUri, kChipUri}) {
    LilvRenderer({uri}).Play(100, {});  // whatever a first instance sets up once
    const int files = OpenFiles();
    for (int cycle = 0; cycle < 100; ++cycle) {
      LilvRenderer first(uri);
      LilvRenderer second(uri);
      if (uri == kAnalyzerUri) {
        first.Process(Signal("noise", 6000));
        second.Process(Signal("sine", 6000));
      } else {
        first.Play(6000, {NoteOn(0, 60, 100), NoteOn(10, 64, 100)});
        second.Play(6000, {NoteOn(0, 67, 100)});
      }
    }
    EXPECT_EQ(OpenFiles(), files) << uri;
  }
}

}  // namespace
}  // namespace varnok::lv2::testing
