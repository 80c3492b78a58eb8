// The instance count in named shared memory, seen from other processes: each
// probe is a process of its own that counts itself in, reports and leaves.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "framework/instance_counter.h"
#include "host/core/host_services.h"
#include "host/core/machine_instance.h"
#include "host/core/plugin.h"
#include "platform/isolated_run.h"
#include "tests/support/probe_main.h"

namespace varnok {
namespace {

constexpr const char* kProbeArgument = "--count-probe";
constexpr double kProbeTimeoutSeconds = 60.0;

// The count another process sees, itself included.
int CountSeenByAnotherProcess() {
  const platform::IsolatedRun run =
      platform::RunIsolated({platform::ThisProgram(), {kProbeArgument}}, kProbeTimeoutSeconds);
  EXPECT_EQ(run.ending, platform::IsolatedRun::Ending::kExited) << run.reason;
  return run.report.empty() ? -1 : std::stoi(run.report);
}

struct Machine {
  explicit Machine(const char* name)
      : plugin(host::Plugin::Load(std::string(VARNOK_PLUGIN_DIR) + "/" + name + VARNOK_PLUGIN_SUFFIX)) {}
  host::Plugin plugin;
  host::StandInHostServices services;
  HostInfo info = host::MakeHostInfo(44100, 125, 4);
  host::MachineInstance machine{plugin, info, services};
};

TEST(SharedCounter, OtherProcessesSeeEveryLiveMachineOfEitherLibrary) {
  EXPECT_EQ(CountSeenByAnotherProcess(), 1);  // the probe alone
  {
    Machine pulse("Varnok's Pulse");
    EXPECT_EQ(CountSeenByAnotherProcess(), 2);
    {
      Machine analyzer("Varnok's Analyzer");
      Machine chip("Varnok's Chip");  // not counted
      EXPECT_EQ(CountSeenByAnotherProcess(), 3);
    }
    EXPECT_EQ(CountSeenByAnotherProcess(), 2);
  }
  EXPECT_EQ(CountSeenByAnotherProcess(), 1);
}

}  // namespace
}  // namespace varnok

int main(int argc, char** argv) {
  return varnok::testing::TestsOrProbe(argc, argv, varnok::kProbeArgument, [] {
    const varnok::InstanceCounter counter;
    std::printf("%d\n", static_cast<int>(counter.Value()));
    return 0;
  });
}
