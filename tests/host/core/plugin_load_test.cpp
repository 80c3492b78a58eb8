#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "framework/render_signal.h"
#include "host/core/host_error.h"
#include "host/core/host_services.h"
#include "host/core/machine_instance.h"
#include "host/core/plugin.h"

namespace varnok::host {
namespace {

std::string LoadError(const std::string& path) {
  try {
    Plugin::Load(path);
  } catch (const HostError& error) {
    return error.what();
  }
  return "";
}

const std::string kMinimal = std::string(VARNOK_TEST_PLUGIN_DIR) + "/minimal" VARNOK_PLUGIN_SUFFIX;

TEST(PluginLoad, LoadsAndDrivesAMachineBuiltOnTheDefaults) {
  Plugin plugin = Plugin::Load(kMinimal);
  EXPECT_STREQ(plugin.Description().full_name, "Minimal Machine");
  StandInHostServices services;
  HostInfo info = MakeHostInfo(44100, 125, 4);
  MachineInstance machine(plugin, info, services);
  EXPECT_EQ(machine->host_info, &info);
  EXPECT_EQ(machine->host_services, &services);
  machine->Initialize(nullptr);
  float samples[2] = {3.0f, 4.0f};
  EXPECT_FALSE(machine->Render(samples, 2, kRenderHasInput));
  EXPECT_EQ(samples[0], 3.0f);
  EXPECT_EQ(machine->ExtPosition(7), -1);
  EXPECT_EQ(machine->ExtDescribe(1, 2), nullptr);
  EXPECT_EQ(machine->ExtList(), nullptr);
}

TEST(PluginLoad, FailuresNameTheFileAndTheReason) {
  EXPECT_EQ(LoadError("/nonexistent/thing.so"), "/nonexistent/thing.so: cannot open the plug-in file");

  const std::string text = ::testing::TempDir() + "not_a_library.so";
  std::ofstream(text) << "hello";
  EXPECT_EQ(LoadError(text).rfind(text + ": not a loadable plug-in library (", 0), 0u);

  // A real library without the exports: the host's own DSP library.
  const std::string dsplib = std::string(VARNOK_PLUGIN_DIR) + "/dsplib" VARNOK_PLUGIN_SUFFIX;
  EXPECT_EQ(LoadError(dsplib), dsplib + ": the library does not export GetInfo");
}

}  // namespace
}  // namespace varnok::host
