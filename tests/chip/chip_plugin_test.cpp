#include <gtest/gtest.h>

#include <vector>

#include "host/core/host_services.h"
#include "host/core/machine_instance.h"
#include "host/core/plugin.h"

namespace varnok::host {
namespace {

// Share of samples above zero and the mean level of each side.
struct PulseShape {
  double high_share = 0, high = 0, low = 0;
};

PulseShape Measure(const std::vector<float>& samples) {
  PulseShape shape;
  int highs = 0;
  for (float s : samples) {
    if (s > 0) {
      ++highs;
      shape.high += s;
    } else {
      shape.low += s;
    }
  }
  const int lows = static_cast<int>(samples.size()) - highs;
  shape.high_share = static_cast<double>(highs) / samples.size();
  shape.high = highs ? shape.high / highs : 0;
  shape.low = lows ? shape.low / lows : 0;
  return shape;
}

TEST(ChipPlugin, PlaysAPulseOnTheHostsSawThroughTheLibrary) {
  const Plugin plugin = Plugin::Load(CHIP_PLUGIN_PATH);
  const Plugin again = Plugin::Load(CHIP_PLUGIN_PATH);
  EXPECT_EQ(&plugin.Description(), &again.Description());
  EXPECT_STREQ(plugin.Description().full_name, "Varnok's Chip");

  StandInHostServices services;
  HostInfo info = MakeHostInfo(44100, 125, 4);
  MachineInstance machine(plugin, info, services);
  machine->Initialize(nullptr);
  machine->SetTrackCount(1);
  machine->ApplyAttributes();

  std::vector<float> out(4410, 1.0f);
  EXPECT_FALSE(machine->Render(out.data(), 4410, 0));

  std::uint8_t* track = machine->track_values;
  track[0] = 0x4A;  // 220 Hz, width 0.5
  track[1] = track[2] = track[3] = 255;
  machine->ApplyTick();
  ASSERT_TRUE(machine->Render(out.data(), 4410, 0));
  PulseShape shape = Measure(out);
  EXPECT_NEAR(shape.high_share, 0.5, 0.02);
  EXPECT_NEAR(shape.high, 32768, 1500);
  EXPECT_NEAR(shape.low, -32768, 1500);

  track[0] = 0;
  track[1] = 32;  // width 0.25: high for three quarters of the cycle
  machine->ApplyTick();
  ASSERT_TRUE(machine->Render(out.data(), 4410, 0));
  shape = Measure(out);
  EXPECT_NEAR(shape.high_share, 0.75, 0.02);
  EXPECT_NEAR(shape.high - shape.low, 65536, 3000);

  machine->Halt();
  EXPECT_FALSE(machine->Render(out.data(), 4410, 0));
}

}  // namespace
}  // namespace varnok::host
