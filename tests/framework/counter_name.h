// A shared counter name of the running test's own, so parallel tests and live
// machines never see each other's counts.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace varnok {

inline std::string CounterNameForThisTest() {
  return std::string("varnok-test-") +
         ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

}  // namespace varnok
