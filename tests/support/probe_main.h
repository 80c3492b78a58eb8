// A test program that is also its own helper process: started again with the
// probe's argument alone, it runs the probe instead of the tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

namespace varnok::testing {

inline int TestsOrProbe(int argc, char** argv, const char* probe_argument, int (*probe)()) {
  if (argc == 2 && std::strcmp(argv[1], probe_argument) == 0) return probe();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

}  // namespace varnok::testing
