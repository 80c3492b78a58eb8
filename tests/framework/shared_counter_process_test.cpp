// The count as other processes see it: the system keeps it in
// /dev/shm/varnok-shared.<name>, a namespace of its own.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "framework/instance_counter.h"
#include "counter_name.h"

namespace varnok {
namespace {

class SharedCounterProcessTest : public ::testing::Test {
 protected:
  std::string CountFile() const { return "/dev/shm/varnok-shared." + name.Text(); }
  std::int32_t StoredCount() const {
    std::int32_t value = -1;
    std::ifstream(CountFile(), std::ios::binary).read(reinterpret_cast<char*>(&value), 4);
    return value;
  }
  // Runs the holder in another process; returns the count it saw.
  int RunHolder(const char* how) const {
    const std::string report = std::string(VARNOK_TEST_BINARY_DIR "/") + name.Text() + ".report";
    const std::string command =
        std::string("'" VARNOK_COUNTER_HOLDER "' ") + name.Text() + " '" + report + "' " + how;
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    int seen = -1;
    std::ifstream(report) >> seen;
    std::remove(report.c_str());
    return seen;
  }

  const TestCounterName name;
};

TEST_F(SharedCounterProcessTest, CountsAcrossProcesses) {
  InstanceCounter here(name.c_str());
  EXPECT_EQ(RunHolder("exit"), 2);
  EXPECT_EQ(here.Value(), 1);
}

TEST_F(SharedCounterProcessTest, AHolderThatDiedDoesNotInflateLaterCounts) {
  EXPECT_EQ(RunHolder("crash"), 1);
  EXPECT_EQ(StoredCount(), 1);  // left behind by the dead process
  InstanceCounter later(name.c_str());
  EXPECT_EQ(later.Value(), 1);
  EXPECT_EQ(RunHolder("exit"), 2);
}

}  // namespace
}  // namespace varnok
