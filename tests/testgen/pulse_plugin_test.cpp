#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "host/core/host_services.h"
#include "host/core/machine_instance.h"
#include "host/core/plugin.h"

namespace varnok {
namespace {

const std::string kPulse = VARNOK_PULSE_PLUGIN;

struct ParamRow {
  std::int32_t kind;
  const char* name;
  const char* description;
  std::int32_t min_value, max_value, no_value, flags, default_value;
};
struct AttributeRow {
  const char* name;
  std::int32_t min_value, max_value, default_value;
};

TEST(PulsePlugin, DescriptionHoldsTheRowsTheHostReads) {
  const host::Plugin plugin = host::Plugin::Load(kPulse);
  const MachineDescription& d = plugin.Description();
  EXPECT_EQ(d.kind, 1);
  EXPECT_EQ(d.interface_version, 12);
  EXPECT_EQ(d.flags, 0);
  EXPECT_EQ(d.min_tracks, 1);
  EXPECT_EQ(d.max_tracks, 16);
  EXPECT_EQ(d.global_param_count, 0);
  EXPECT_STREQ(d.full_name, "Varnok's Test Generator");
  EXPECT_STREQ(d.short_name, "Test Gen");
  EXPECT_STREQ(d.commands, "About...");

  const ParamRow params[] = {
      {0, "Note", "Note", 1, 156, 0, 4, 0},
      {2, "Velocity", "Velocity", 0, 128, 255, 0, 0},
      {2, "Control1", "Dampening", 0, 128, 255, static_cast<std::int32_t>(0x80000002), 0},
      {2, "Control2", "Control 2", 0, 128, 255, static_cast<std::int32_t>(0x80000002), 0},
      {2, "Control3", "Control 3", 0, 128, 255, 2, 0},
  };
  ASSERT_EQ(d.track_param_count, 5);
  for (int i = 0; i < 5; ++i) {
    const ParamDescriptor& p = *d.params[i];
    const ParamRow& row = params[i];
    SCOPED_TRACE(row.name);
    EXPECT_EQ(p.kind, row.kind);
    EXPECT_STREQ(p.name, row.name);
    EXPECT_STREQ(p.description, row.description);
    EXPECT_EQ(p.min_value, row.min_value);
    EXPECT_EQ(p.max_value, row.max_value);
    EXPECT_EQ(p.no_value, row.no_value);
    EXPECT_EQ(p.flags, row.flags);
    EXPECT_EQ(p.default_value, row.default_value);
  }

  const AttributeRow attributes[] = {
      {"Dynamic Channels", 0, 64, 6},
      {"Default Velocity", 0, 128, 128},
      {"Track available at (dB)", -120, -30, -50},
      {"Note off Amplitude (%)", 0, 100, 35},
  };
  ASSERT_EQ(d.attribute_count, 4);
  for (int i = 0; i < 4; ++i) {
    const AttributeDescriptor& a = *d.attributes[i];
    SCOPED_TRACE(attributes[i].name);
    EXPECT_STREQ(a.name, attributes[i].name);
    EXPECT_EQ(a.min_value, attributes[i].min_value);
    EXPECT_EQ(a.max_value, attributes[i].max_value);
    EXPECT_EQ(a.default_value, attributes[i].default_value);
  }
}

// The host's road: value blocks through the base fields, mixing through dsplib.
TEST(PulsePlugin, PlaysPatternAndKeyboardNotesThroughTheLoadedLibrary) {
  const host::Plugin plugin = host::Plugin::Load(kPulse);
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
