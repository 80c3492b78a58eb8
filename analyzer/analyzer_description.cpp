#include "analyzer/analyzer_description.h"

namespace varnok::analyzer {

const std::array<ParamDescriptor, kGlobalParamCount> kGlobalParamRows = {{
    {kByteParam, "Dummy", "Dummy", 0, 128, kNoValue, kByteParamFlags, 0},
}};

const std::array<AttributeDescriptor, kAttributeCount> kAttributeRows = {{
    {"Dummy", 0, 100, 0},
}};

const MachineDescription kAnalyzerDescription = DescriptionOf<kGlobalParamRows, kAttributeRows>(
    kGlobalParamCount, /*min_tracks=*/0, /*max_tracks=*/0,
    {kAnalyzerName, kAnalyzerShortName, "Open...\nAbout..."});

}  // namespace varnok::analyzer
