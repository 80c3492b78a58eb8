// A Test Generator built directly and driven the way the host drives it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "framework/plugin_entry.h"
#include "host/core/host_services.h"
#include "host/core/machine_instance.h"
#include "testgen/testgen_machine.h"

namespace varnok::testgen {

// Note bytes: octave in the high nibble, semitone 1..12 in the low.
inline constexpr std::uint8_t kC4 = 0x41;   // index 60, 261.63 Hz
inline constexpr std::uint8_t kA4 = 0x4A;   // index 69, 440 Hz
inline constexpr std::uint8_t kG9 = 0x98;   // index 127, the table's last row
inline constexpr std::uint8_t kB9 = 0x9C;   // highest the pattern allows: past the table

class TestGenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine.Initialize(nullptr);
    machine.SetTrackCount(1);
    machine.ApplyAttributes();
    ClearBlocks();
  }

  // What the host writes for a track with nothing new in a tick.
  void ClearBlocks() {
    for (auto& block : machine.track_blocks) {
      block[0] = kNoNote;
      for (int i = 1; i < kTrackParamCount; ++i) block[i] = kNoValue;
    }
  }
  void Note(int track, std::uint8_t note, std::uint8_t velocity = kNoValue) {
    machine.track_blocks[track][kNoteByte] = note;
    machine.track_blocks[track][kVelocityByte] = velocity;
  }
  void Tick() {
    machine.ApplyTick();
    ClearBlocks();
  }
  void SetAttribute(int index, std::int32_t value) {
    machine.attribute_block[index] = value;
    machine.ApplyAttributes();
  }
  int SlotOf(const SineChannel* channel) const {
    return static_cast<int>(channel - machine.channels.data());
  }
  const SineChannel& Slot(int i) const { return machine.channels[i]; }
  // Renders `count` samples; empty when the machine wrote nothing.
  std::vector<float> Render(int count = 64) {
    std::vector<float> samples(count, 0.0f);
    if (!machine.Render(samples.data(), count, 0)) samples.clear();
    return samples;
  }

  host::StandInHostServices services;
  HostInfo info = host::MakeHostInfo(44100, 125, 4);
  host::MachineInstance instance{CreateMachineOf<TestGenMachine>(), info, services};
  TestGenMachine& machine = static_cast<TestGenMachine&>(*instance);
};

}  // namespace varnok::testgen
