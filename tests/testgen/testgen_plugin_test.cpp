#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "host/core/host_services.h"
#include "host/core/machine_instance.h"
#include "host/core/plugin.h"
#include "tests/support/description_rows.h"

namespace varnok {
namespace {

const std::string kTestGenPlugin = VARNOK_TESTGEN_PLUGIN;


TEST(TestGenPlugin, DescriptionHoldsTheRowsTheHostReads) {
  const host::Plugin plugin = host::Plugin::Load(kTestGenPlugin);
  constexpr auto kMarked = static_cast<std::int32_t>(0x80000002);
  testing::ExpectDescription(plugin.Description(),
                             {1, 16, 0, 5, 4, "Varnok's Test Generator", "Test Gen", "About..."},
                             {{0, "Note", "Note", 1, 156, 0, 4, 0},
                              {2, "Velocity", "Velocity", 0, 128, 255, 0, 0},
                              {2, "Control1", "Dampening", 0, 128, 255, kMarked, 0},
                              {2, "Control2", "Control 2", 0, 128, 255, kMarked, 0},
                              {2, "Control3", "Control 3", 0, 128, 255, 2, 0}},
                             {{"Dynamic Channels", 0, 64, 6},
                              {"Default Velocity", 0, 128, 128},
                              {"Track available at (dB)", -120, -30, -50},
                              {"Note off Amplitude (%)", 0, 100, 35}});
}

// The host's road: value blocks through the base fields, mixing through dsplib.
TEST(TestGenPlugin, PlaysPatternAndKeyboardNotesThroughTheLoadedLibrary) {
  const host::Plugin plugin = host::Plugin::Load(kTestGenPlugin);
  host::StandInHostServices services;
  HostInfo info = host::MakeHostInfo(44100, 125, 4);
  host::MachineInstance machine(plugin, info, services);
  machine->Initialize(nullptr);
  machine->SetTrackCount(1);
  machine->ApplyAttributes();

  std::uint8_t* track = machine->track_values;
  const std::uint8_t a4_full[5] = {0x4A, 128, 255, 255, 255};
  std::memcpy(track, a4_full, sizeof a4_full);
  machine->ApplyTick();
  float samples[4] = {};
  ASSERT_TRUE(machine->Render(samples, 4, 0));
  EXPECT_NEAR(samples[0], -2053.81, 0.01);
  EXPECT_NEAR(samples[1], -4099.54, 0.01);
  EXPECT_NEAR(samples[2], -6129.18, 0.01);
  EXPECT_NEAR(samples[3], -8134.73, 0.01);

  // A keyboard note starts a second A-4 at phase zero, added on top through
  // the scratch buffer: s_n = -A sin(n theta) / cos(theta / 2).
  machine->OnMidiNote(0, 69, 127);
  float both[4] = {};
  ASSERT_TRUE(machine->Render(both, 4, 0));
  const double theta = 2.0 * 3.14159265358979323846 * 440.0 / 44100.0;
  const auto sine = [&](int n) { return -32767.0 * std::sin(n * theta) / std::cos(theta / 2); };
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(both[i], sine(i + 5) + sine(i + 1), 0.05) << i;
}

}  // namespace
}  // namespace varnok
