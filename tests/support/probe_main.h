// A test program that is also its own helper process: started again with a
// probe's argument alone, it runs that probe instead of the tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>

namespace varnok::testing {

struct Probe {
  const char* argument;
  int (*run)();
};

inline int TestsOrProbe(int argc, char** argv, std::initializer_list<Probe> probes) {
  for (const Probe& probe : probes) {
    if (argc == 2 && std::strcmp(argv[1], probe.argument) == 0) return probe.run();
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

}  // namespace varnok::testing
