// What the host reads of the Analyzer before creating one.
#pragma once

#include "framework/description.h"

namespace varnok::analyzer {

extern const ParamDescriptor kDummyParam;
extern const AttributeDescriptor kDummyAttribute;
extern const MachineDescription kAnalyzerDescription;

// Indexes into the description's command list.
inline constexpr int kOpenCommand = 0;
inline constexpr int kAboutCommand = 1;

inline constexpr const char* kAboutTitle = "About Analyzer";

}  // namespace varnok::analyzer
