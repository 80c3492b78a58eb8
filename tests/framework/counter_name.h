// A shared counter name of the running test's own and of this run's, so that
// parallel tests, other runs and live machines never see each other's counts;
// the system forgets it when the test ends, so nothing is left behind.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/shared_counter.h"

namespace varnok {

class TestCounterName {
 public:
  TestCounterName()
      : name_("varnok-test-" + std::to_string(std::random_device{}() % 1000000) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name()) {}
  ~TestCounterName() { platform::RemoveSharedCounter(name_.c_str()); }
  TestCounterName(const TestCounterName&) = delete;
  TestCounterName& operator=(const TestCounterName&) = delete;

  const std::string& Text() const { return name_; }
  const char* c_str() const { return name_.c_str(); }

 private:
  std::string name_;
};

}  // namespace varnok
