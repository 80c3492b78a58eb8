// The host reads these records by offset; pin the layout on this target too.
#include <gtest/gtest.h>

#include <cstddef>

#include "framework/description.h"
#include "framework/machine_base.h"

namespace varnok {
namespace {

TEST(RecordLayout, FieldsStandInTheirOrder) {
  EXPECT_LT(offsetof(ParamDescriptor, kind), offsetof(ParamDescriptor, name));
  EXPECT_LT(offsetof(ParamDescriptor, no_value), offsetof(ParamDescriptor, flags));
  EXPECT_LT(offsetof(ParamDescriptor, flags), offsetof(ParamDescriptor, default_value));
  EXPECT_LT(offsetof(MachineDescription, track_param_count), offsetof(MachineDescription, params));
  EXPECT_LT(offsetof(MachineDescription, author), offsetof(MachineDescription, commands));
  EXPECT_EQ(offsetof(AttributeDescriptor, name), 0u);
}

TEST(RecordLayout, MachineFieldsFollowTheTablePointer) {
  struct Probe final : Machine<Probe> {};
  Probe probe;
  const auto* base = reinterpret_cast<const unsigned char*>(&probe);
  const auto* first = reinterpret_cast<const unsigned char*>(&probe.global_values);
  const auto* last = reinterpret_cast<const unsigned char*>(&probe.host_services);
  EXPECT_EQ(first - base, static_cast<std::ptrdiff_t>(sizeof(void*)));
  EXPECT_EQ(last - base, static_cast<std::ptrdiff_t>(5 * sizeof(void*)));
  EXPECT_EQ(sizeof(MachineBase), 6 * sizeof(void*));
}

}  // namespace
}  // namespace varnok
