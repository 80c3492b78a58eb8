// The bodies of the checks, listed with their names in check_list.cpp.
#pragma once

#include "host/validate/checks.h"

namespace varnok::host::validate {

// lifecycle_checks.cpp
CheckResult Loaded(CheckContext& context);
CheckResult Instances(CheckContext& context);
CheckResult StateRoundtrip(CheckContext& context);
CheckResult StateGarbage(CheckContext& context);

// rendering_checks.cpp
CheckResult SampleRates(CheckContext& context);
CheckResult BlockSizes(CheckContext& context);
CheckResult BlockPartition(CheckContext& context);
CheckResult EffectInputs(CheckContext& context);
CheckResult AudioPath(CheckContext& context);

// input_checks.cpp
CheckResult TrackCounts(CheckContext& context);
CheckResult TrackCountsOutOfRange(CheckContext& context);
CheckResult Attributes(CheckContext& context);
CheckResult AttributesOutOfRange(CheckContext& context);
CheckResult ParameterBytes(CheckContext& context);
CheckResult KeyboardNotes(CheckContext& context);
CheckResult HaltAnywhere(CheckContext& context);

}  // namespace varnok::host::validate
