#include <gtest/gtest.h>

#include <string>

#include "analyzer/analyzer_description.h"
#include "framework/render_signal.h"
#include "host/core/machine_instance.h"
#include "host/core/plugin.h"
#include "tests/analyzer/analyzer_fixture.h"
#include "tests/support/description_rows.h"

namespace varnok::analyzer {
namespace {

using testing::AnalyzerTest;
using testing::MeterHost;

void ExpectAnalyzerDescription(const MachineDescription& d) {
  varnok::testing::ExpectDescription(
      d, {0, 0, 1, 0, 1, "Varnok's Analyzer", "Analyzer", "Open...\nAbout..."},
      {{2, "Dummy", "Dummy", 0, 128, 255, 2, 0}}, {{"Dummy", 0, 100, 0}});
}

TEST(AnalyzerDescription, HasTheAnalyzerRows) { ExpectAnalyzerDescription(kAnalyzerDescription); }

using AnalyzerMachineTest = AnalyzerTest;

TEST_F(AnalyzerMachineTest, DummyIsKeptAndScaledButMeasuresNothing) {
  MeterHost host;
  AnalyzerMachine& machine = *host.machine;
  ASSERT_NE(machine.global_values, nullptr);
  ASSERT_NE(machine.attribute_values, nullptr);
  machine.Initialize(nullptr);
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
  // The tick's values start again: a refresh finds no sum.
  const platform::WindowHandle dialog = host.Reopen();
  host.Refresh();
  EXPECT_EQ(platform::ControlText(dialog, kCurrentOffsetText), "0.0");
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
  EXPECT_TRUE(machine->Render(samples, 5, kRenderHasInput));
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
