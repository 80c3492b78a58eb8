// The validator's input must stay within what a host may send; a value outside
// would blame a machine for the validator's own mistake.
#include <gtest/gtest.h>

#include <set>

#include "host/validate/workload.h"

namespace varnok::host::validate {
namespace {

TEST(Workload, ParameterValuesStayWithinWhatAHostWrites) {
  const ParamDescriptor note = {kNoteParam, "Note", "Note", 1, 156, 0, 4, 0};
  const ParamDescriptor byte = {kByteParam, "Cutoff", "Cutoff", 3, 128, 255, 2, 64};
  Random random(1);
  std::set<int> bytes;
  bool note_off = false;
  for (int i = 0; i < 20000; ++i) {
    const int n = RandomParamValue(note, random);
    note_off |= n == kNoteOff;
    if (n != kNoNote && n != kNoteOff) {
      ASSERT_GE(n & 15, 1) << n;
      ASSERT_LE(n & 15, 12) << n;
      ASSERT_LE(n >> 4, 9) << n;
    }
    const int b = RandomParamValue(byte, random);
    if (b != byte.no_value) {
      ASSERT_GE(b, byte.min_value);
      ASSERT_LE(b, byte.max_value);
    }
    bytes.insert(b);
  }
  EXPECT_TRUE(note_off);
  // The edges and the no-value all come up.
  EXPECT_EQ(bytes.count(3), 1u);
  EXPECT_EQ(bytes.count(128), 1u);
  EXPECT_EQ(bytes.count(255), 1u);
}

TEST(Workload, ASeedReplaysAndEachCheckGetsItsOwnStream) {
  Random first(CheckSeed(5, "halt"));
  Random again(CheckSeed(5, "halt"));
  Random other(CheckSeed(5, "instances"));
  bool differs = false;
  for (int i = 0; i < 8; ++i) {
    const std::uint64_t value = first.Next();
    EXPECT_EQ(value, again.Next());
    differs |= value != other.Next();
  }
  EXPECT_TRUE(differs);
  for (int i = 0; i < 1000; ++i) {
    const int v = first.Between(-3, 3);
    ASSERT_GE(v, -3);
    ASSERT_LE(v, 3);
  }
}

}  // namespace
}  // namespace varnok::host::validate
