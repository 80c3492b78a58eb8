// Two renders compared sample for sample, told by the first that differs.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace varnok::lv2::testing {

// Equal bit for bit (so a NaN equals itself, and -0 is not 0).
inline ::testing::AssertionResult SameSamples(const std::vector<float>& got, const std::vector<float>& expected) {
  if (got.size() != expected.size()) {
    return ::testing::AssertionFailure() << got.size() << " samples, expected " << expected.size();
  }
  for (std::size_t i = 0; i < got.size(); ++i) {
    if (std::memcmp(&got[i], &expected[i], sizeof(float)) != 0) {
      return ::testing::AssertionFailure() << "sample " << i << " is " << got[i] << ", expected " << expected[i];
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace varnok::lv2::testing
