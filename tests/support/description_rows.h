// A machine's description written as the rows the host reads, and one check of
// every field against them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "framework/description.h"

namespace varnok::testing {

struct HeaderRow {
  std::int32_t min_tracks, max_tracks, global_param_count, track_param_count, attribute_count;
  const char* full_name;
  const char* short_name;
  const char* commands;  // null when the machine has none
};

struct ParamRow {
  std::int32_t kind;
  const char* name;
  const char* description;
  std::int32_t min_value, max_value, no_value, flags, default_value;
};

struct AttributeRow {
  const char* name;
  std::int32_t min_value, max_value, default_value;
};

inline void ExpectDescription(const MachineDescription& d, const HeaderRow& header,
                              const std::vector<ParamRow>& params,
                              const std::vector<AttributeRow>& attributes) {
  EXPECT_EQ(d.kind, 1);
  EXPECT_EQ(d.interface_version, 12);
  EXPECT_EQ(d.flags, 0);
  EXPECT_EQ(d.min_tracks, header.min_tracks);
  EXPECT_EQ(d.max_tracks, header.max_tracks);
  EXPECT_EQ(d.global_param_count, header.global_param_count);
  EXPECT_EQ(d.track_param_count, header.track_param_count);
  EXPECT_EQ(d.attribute_count, header.attribute_count);
  EXPECT_STREQ(d.full_name, header.full_name);
  EXPECT_STREQ(d.short_name, header.short_name);
  if (header.commands == nullptr) {
    EXPECT_EQ(d.commands, nullptr);
  } else {
    EXPECT_STREQ(d.commands, header.commands);
  }

  ASSERT_EQ(static_cast<std::size_t>(d.global_param_count + d.track_param_count), params.size());
  for (std::size_t i = 0; i < params.size(); ++i) {
    const ParamDescriptor& p = *d.params[i];
    const ParamRow& row = params[i];
    SCOPED_TRACE(row.name);
    EXPECT_EQ(p.kind, row.kind);
    EXPECT_STREQ(p.name, row.name);
    EXPECT_STREQ(p.description, row.description);
    EXPECT_EQ(p.min_value, row.min_value);
    EXPECT_EQ(p.max_value, row.max_value);
    EXPECT_EQ(p.no_value, row.no_value);
    EXPECT_EQ(p.flags, row.flags);
    EXPECT_EQ(p.default_value, row.default_value);
  }

  ASSERT_EQ(static_cast<std::size_t>(d.attribute_count), attributes.size());
  for (std::size_t i = 0; i < attributes.size(); ++i) {
    const AttributeDescriptor& a = *d.attributes[i];
    const AttributeRow& row = attributes[i];
    SCOPED_TRACE(row.name);
    EXPECT_STREQ(a.name, row.name);
    EXPECT_EQ(a.min_value, row.min_value);
    EXPECT_EQ(a.max_value, row.max_value);
    EXPECT_EQ(a.default_value, row.default_value);
  }
}

}  // namespace varnok::testing
