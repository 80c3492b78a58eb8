#include <gtest/gtest.h>

#include <cstdint>

#include "host/core/memory_state.h"

namespace varnok::host {
namespace {

TEST(MemoryState, WhatIsWrittenReadsBack) {
  MemoryStateOutput out;
  const std::int32_t words[2] = {0x52454652, 7};
  out.Write(&words[0], 4);
  out.Write(&words[1], 4);
  ASSERT_EQ(out.Bytes().size(), 8u);
  EXPECT_EQ(out.Bytes()[0], 0x52);
  EXPECT_EQ(out.Bytes()[3], 0x52);

  MemoryStateInput in(out.Bytes());
  std::int32_t read[2] = {};
  in.Read(&read[0], 4);
  in.Read(&read[1], 4);
  EXPECT_EQ(read[0], words[0]);
  EXPECT_EQ(read[1], 7);
  EXPECT_FALSE(in.RanOut());
}

TEST(MemoryState, ReadingPastTheEndYieldsZerosAndSaysSo) {
  MemoryStateInput in({1, 2, 3});
  std::uint8_t bytes[4] = {9, 9, 9, 9};
  in.Read(bytes, 4);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[2], 3);
  EXPECT_EQ(bytes[3], 0);
  EXPECT_TRUE(in.RanOut());
  in.Read(bytes, 4);
  EXPECT_EQ(bytes[0], 0);
  EXPECT_EQ(in.Position(), 3u);
  EXPECT_EQ(in.ReadCalls(), 2u);
}

TEST(MemoryState, EmptyStoreAndNonsenseSizesAreHarmless) {
  MemoryStateInput in({});
  std::uint8_t byte = 5;
  in.Read(&byte, 1);
  EXPECT_EQ(byte, 0);
  in.Read(&byte, -3);
  in.Read(nullptr, 4);
  MemoryStateOutput out;
  out.Write(&byte, 0);
  out.Write(&byte, -1);
  EXPECT_TRUE(out.Bytes().empty());
}

}  // namespace
}  // namespace varnok::host
