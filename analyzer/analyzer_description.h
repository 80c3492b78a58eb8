// What the host reads of the Analyzer before creating one.
#pragma once

#include <array>

#include "analyzer/analyzer_face.h"
#include "framework/description.h"

namespace varnok::analyzer {

// The global value block: one byte. Neither it nor the attribute does
// anything: the host expects a machine to have some.
enum GlobalParam : int {
  kDummyByte,
  kGlobalParamCount,
};

// Attribute values, in table order.
enum Attribute : int {
  kDummyAttribute,
  kAttributeCount,
};

extern const std::array<ParamDescriptor, kGlobalParamCount> kGlobalParamRows;
extern const std::array<AttributeDescriptor, kAttributeCount> kAttributeRows;
extern const MachineDescription kAnalyzerDescription;

inline constexpr const char* kAboutTitle = "About Analyzer";

}  // namespace varnok::analyzer
