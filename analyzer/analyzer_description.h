// What the host reads of the Analyzer before creating one.
#pragma once

#include "analyzer/analyzer_face.h"
#include "framework/description.h"

namespace varnok::analyzer {

extern const ParamDescriptor kDummyParam;
extern const AttributeDescriptor kDummyAttribute;
extern const MachineDescription kAnalyzerDescription;

inline constexpr const char* kAboutTitle = "About Analyzer";

}  // namespace varnok::analyzer
