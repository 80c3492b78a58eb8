#include <gtest/gtest.h>

#include <string>

#include "analyzer/analyzer_description.h"
#include "host/core/machine_instance.h"
#include "host/core/plugin.h"
#include "tests/analyzer/analyzer_fixture.h"

namespace varnok::analyzer {
namespace {

using testing::AnalyzerTest;
using testing::MeterHost;

void ExpectAnalyzerDescription(const MachineDescription& d) {
  EXPECT_EQ(d.kind, 1);
  EXPECT_EQ(d.interface_version, 12);
  EXPECT_EQ(d.flags, 0);
  EXPECT_EQ(d.min_tracks, 0);
  EXPECT_EQ(d.max_tracks, 0);
  EXPECT_EQ(d.global_param_count, 1);
  EXPECT_EQ(d.track_param_count, 0);
  EXPECT_EQ(d.attribute_count, 1);
  EXPECT_STREQ(d.full_name, "Varnok's Analyzer");
  EXPECT_STREQ(d.short_name, "Analyzer");
  EXPECT_STREQ(d.commands, "Open...\nAbout...");

  const ParamDescriptor& p = *d.params[0];
  EXPECT_EQ(p.kind, 2);
  EXPECT_STREQ(p.name, "Dummy");
  EXPECT_STREQ(p.description, "Dummy");
  EXPECT_EQ(p.min_value, 0);
  EXPECT_EQ(p.max_value, 128);
  EXPECT_EQ(p.no_value, 255);
  EXPECT_EQ(p.flags, 2);
  EXPECT_EQ(p.default_value, 0);

  const AttributeDescriptor& a = *d.attributes[0];
  EXPECT_STREQ(a.name, "Dummy");
  EXPECT_EQ(a.min_value, 0);
  EXPECT_EQ(a.max_value, 100);
  EXPECT_EQ(a.default_value, 0);
}

TEST(AnalyzerDescription, HasTheAnalyzerRows) { ExpectAnalyzerDescription(kAnalyzerDescription); }

using AnalyzerMachineTest = AnalyzerTest;

TEST_F(AnalyzerMachineTest, DummyIsKeptAndScaledButMeasuresNothing) {
  MeterHost host;
  AnalyzerMachine& machine = *host.machine;
  ASSERT_NE(machine.global_values, nullptr);
  ASSERT_NE(machine.attribute_values, nullptr);
  machine.Initialize(nullptr);
  EXPECT_EQ(CurrentAnalyzer(), &machine);
  EXPECT_EQ(machine.LastDummy(), 0);

  machine.global_values[0] = 64;
  machine.ApplyTick();
  EXPECT_EQ(machine.LastDummy(), 64);
  EXPECT_EQ(machine.DummyFraction(), 0.5);
  machine.global_values[0] = kNoValue;
  machine.ApplyTick();
  EXPECT_EQ(machine.LastDummy(), 64);
  EXPECT_EQ(machine.DummyFraction(), 0.5);
  machine.attribute_values[0] = 100;
  EXPECT_EQ(machine.track_values, nullptr);
}

TEST_F(AnalyzerMachineTest, PowerCarriesOverInitialize) {
  MeterHost host;
  host.machine->Initialize(nullptr);
  host.Render(testing::Constant(1000.0f, 100));
  const double power = host.machine->Measures().Power();
  host.machine->Initialize(nullptr);
  EXPECT_EQ(host.machine->Measures().Power(), power);
  EXPECT_EQ(host.machine->TakeMeasures().sample_sum, 0.0);
}

// The plug-in file as the host loads it: counted, measuring, leaving the signal alone.
TEST_F(AnalyzerMachineTest, PluginFileIsTheAnalyzer) {
  const host::Plugin plugin =
      host::Plugin::Load(std::string(VARNOK_PLUGIN_DIR) + "/Varnok's Analyzer" + VARNOK_PLUGIN_SUFFIX);
  ExpectAnalyzerDescription(plugin.Description());
  EXPECT_EQ(&plugin.Description(), &plugin.Description());

  HostInfo info = host::MakeHostInfo(44100, 125, 4);
  host::StandInHostServices services;
  host::MachineInstance machine(plugin, info, services);
  machine->Initialize(nullptr);
  float samples[] = {-5000.0f, 3000.0f, -7000.0f, 2000.0f, 1000.0f};
  EXPECT_TRUE(machine->Render(samples, 5, 1));
  EXPECT_EQ(samples[2], -7000.0f);
  EXPECT_FALSE(machine->Render(samples, 5, 2));
  EXPECT_EQ(machine->ExtPosition(0), -1);

  machine->RunCommand(kOpenCommand);
  ASSERT_EQ(platform::OpenDialogs().size(), 1u);
  const platform::WindowHandle dialog = platform::OpenDialogs().front();
  machine->ApplyTick();
  platform::PumpDialogMessages();
  EXPECT_EQ(platform::ControlText(dialog, kCurrentAmplitudeText), "15.3 %");
}

}  // namespace
}  // namespace varnok::analyzer
