#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "chip/chip_description.h"
#include "chip/chip_machine.h"
#include "chip_rig.h"
#include "tests/support/description_rows.h"

namespace varnok::chip {
namespace {

TEST(ChipDescription, HeaderAndRowsAsTheHostReadsThem) {
  testing::ExpectDescription(kChipDescription, {1, 16, 0, 4, 3, "Varnok's Chip", "Chip", nullptr},
                             {{0, "Note", "Note", 1, 156, 0, 4, 0},
                              {2, "Control1", "Control 1 (0 to 80)", 0, 128, 255, 2, 64},
                              {2, "Control2", "Control 2 (0 to 80)", 0, 128, 255, 2, 64},
                              {2, "Control3", "Control 3 (0 to 80)", 0, 128, 255, 2, 64}},
                             {{"Dynamic Channels", 0, 64, 8},
                              {"Default Volume", 0, 128, 128},
                              {"Track available at (dB)", -120, -30, -50}});
}

TEST(ChipMachine, AvailableLevelIsAPowerOfTwoOfTheDecibels) {
  ChipRig rig(44100);
  EXPECT_NEAR(rig.machine.available_level, 9.6124e-6, 1e-10);
  rig.machine.attribute_values[kTrackAvailableDb] = -30;
  rig.machine.ApplyAttributes();
  EXPECT_EQ(rig.machine.available_level, 0.0009765625);
}

TEST(ChipMachine, BeforeAnyAttributesTheDefaultsHold) {
  ChipMachine machine;
  EXPECT_EQ(machine.attribute_values[kDynamicChannels], 8);
  EXPECT_EQ(machine.attribute_values[kDefaultVolume], 128);
  EXPECT_EQ(machine.attribute_values[kTrackAvailableDb], -50);
  HostInfo info{};
  info.sample_rate = 44100;
  FakeHost host;
  machine.host_info = &info;
  machine.host_services = &host;
  machine.Initialize(nullptr);
  EXPECT_NEAR(machine.available_level, 9.6124e-6, 1e-10);
  // A tick before the host wrote anything plays nothing.
  machine.SetTrackCount(16);
  machine.ApplyTick();
  float sample = 5.0f;
  EXPECT_FALSE(machine.Render(&sample, 1, 0));
  EXPECT_EQ(sample, 5.0f);
}

TEST(ChipMachineRender, DefaultVolumeChangesNothing) {
  std::vector<float> outputs[2];
  const int volumes[2] = {0, 128};
  for (int i = 0; i < 2; ++i) {
    ChipRig rig(44100);
    rig.machine.attribute_values[kDefaultVolume] = volumes[i];
    rig.machine.ApplyAttributes();
    rig.Tick(0, 0x4A);
    outputs[i] = rig.Render(500);
  }
  EXPECT_EQ(outputs[0], outputs[1]);
}

TEST(ChipMachineTick, TheLastControlOfATickSetsTheWidth) {
  ChipRig rig(44100);
  rig.Tick(0, 0x4A, 32, 255, 96);
  EXPECT_EQ(rig.machine.channels[0].pulse_width, 0.75);
  rig.Tick(0, 0, 255, 0, 255);
  EXPECT_TRUE(rig.machine.channels[0].active);
  for (float sample : rig.Render(200)) ASSERT_EQ(sample, 32768.0f);
}

TEST(ChipMachineTick, AControlWithANoteReachesTheNewNoteOnTheTracksChannel) {
  ChipRig rig(44100);
  rig.Tick(0, 0x4A);
  rig.Tick(0, 0x5A, 128);
  for (float sample : rig.Render(200)) ASSERT_EQ(sample, -32768.0f);
}

TEST(ChipMachineTick, NoNoteChangesNothingAndNoteOffStopsTheTrack) {
  ChipRig rig(44100);
  rig.Tick(0, 0x4A);
  const auto before = rig.machine.channels[0].phase;
  rig.Tick(0, 0);
  EXPECT_TRUE(rig.machine.channels[0].active);
  EXPECT_EQ(rig.machine.channels[0].phase, before);
  rig.Tick(0, 255);
  EXPECT_FALSE(rig.machine.channels[0].active);
  float sample = 3.0f;
  EXPECT_FALSE(rig.machine.Render(&sample, 1, 0));
}

TEST(ChipMachineTick, BytesOutsideTheNoteEncodingAreNotPlayed) {
  ChipRig rig(44100);
  for (int note : {0x0D, 0x10, 0x1F, 0xA1, 0xF5}) {
    rig.Tick(0, static_cast<std::uint8_t>(note));
    EXPECT_FALSE(rig.machine.channels[0].active) << note;
  }
}

TEST(ChipMachineTick, HaltStopsTheTracksButNotARemovedTracksNote) {
  ChipRig rig(44100, 2);
  rig.Tick(0, 0x4A);
  rig.Tick(1, 0x4C);
  rig.machine.SetTrackCount(1);
  rig.machine.Halt();
  EXPECT_FALSE(rig.machine.channels[0].active);
  EXPECT_TRUE(rig.machine.channels[1].active);
  float sample = 0.0f;
  EXPECT_TRUE(rig.machine.Render(&sample, 1, 0));
}

TEST(ChipMachineAllocation, EveryNoteOfATrackPlaysOnItsOwnChannel) {
  ChipRig rig(44100, 2);
  ASSERT_EQ(rig.machine.channels_in_use, 8);
  for (int note : {0x41, 0x45, 0x4A, 0x30}) {
    rig.Tick(1, static_cast<std::uint8_t>(note));
    EXPECT_EQ(rig.machine.channels[1].current_channel, &rig.machine.channels[1]);
    EXPECT_TRUE(rig.machine.channels[1].active);
  }
}

TEST(ChipMachineAllocation, TracksAddedAfterTheAttributesTakeTheirChannelsInOrder) {
  ChipRig rig(44100, 2);
  rig.machine.attribute_values[kDynamicChannels] = 2;
  rig.machine.ApplyAttributes();
  rig.machine.SetTrackCount(4);
  rig.Tick(2, 0x4A);
  EXPECT_EQ(rig.machine.channels[2].current_channel, &rig.machine.channels[2]);
  EXPECT_EQ(rig.machine.channels_in_use, 3);
  rig.Tick(3, 0x51);
  EXPECT_EQ(rig.machine.channels[3].current_channel, &rig.machine.channels[3]);
  EXPECT_EQ(rig.machine.channels_in_use, 4);
  ReferenceVoice two(rig.machine.channels[2]);
  ReferenceVoice three(rig.machine.channels[3]);
  std::vector<float> sum = two.Render(100);
  const auto other = three.Render(100);
  for (int i = 0; i < 100; ++i) sum[i] += other[i];
  EXPECT_EQ(rig.Render(100), sum);
}

// The pool's bound is the engine's; the Chip's count of channels in use takes it.
TEST(ChipMachineAllocation, AllTheChannelsTheAttributeAsksForAreInUseUpToThePool) {
  ChipRig rig(44100);
  rig.machine.attribute_values[kDynamicChannels] = 64;
  rig.machine.ApplyAttributes();
  EXPECT_EQ(rig.machine.channels_in_use, 16);
}

TEST(ChipMachineModule, EachMachineReachesItsOwnHostEvenWhenTheLastOneIsGone) {
  ChipRig first(44100);
  auto second = std::make_unique<ChipRig>(44100);
  second->host.pulse.fill(1000);
  first.Tick(0, 0x4A);
  EXPECT_EQ(first.machine.channels[0].table, first.host.pulse.data());

  second.reset();
  first.Tick(0, 0x4B);
  EXPECT_EQ(first.machine.channels[0].level_samples, first.host.pulse.data() + 3840);
  ReferenceVoice reference(first.machine.channels[0]);
  EXPECT_EQ(first.Render(200), reference.Render(200));
}

// A host may run machines at different rates in one process: a later machine's
// Initialize must not retune an earlier one's notes.
TEST(ChipMachineModule, EachMachinePitchesItsNotesByItsOwnRate) {
  ChipRig first(44100);
  ChipRig second(22050);
  first.Tick(0, 0x4A);  // 220 Hz: 10.216780 samples of level 0 per output sample
  second.Tick(0, 0x4A);
  EXPECT_EQ(first.machine.channels[0].mip_level, 4);
  EXPECT_NEAR(first.machine.channels[0].step, 10.216780 / 16, 1e-6);
  EXPECT_EQ(second.machine.channels[0].mip_level, 5);
  EXPECT_NEAR(second.machine.channels[0].step, 2 * 10.216780 / 32, 1e-6);
}

}  // namespace
}  // namespace varnok::chip
