#include "analyzer/analyzer_description.h"

namespace varnok::analyzer {

const std::array<ParamDescriptor, kGlobalParamCount> kGlobalParamRows = {{
    {kByteParam, "Dummy", "Dummy", 0, 128, kNoValue, kByteParamFlags, 0},
}};

const std::array<AttributeDescriptor, kAttributeCount> kAttributeRows = {{
    {"Dummy", 0, 100, 0},
}};

namespace {

constexpr auto kParamTable = RowTable(kGlobalParamRows);
constexpr auto kAttributeTable = RowTable(kAttributeRows);

}  // namespace

const MachineDescription kAnalyzerDescription = {
    kMachineKind,
    kInterfaceVersion,
    /*flags=*/0,
    /*min_tracks=*/0,
    /*max_tracks=*/0,
    kGlobalParamCount,
    /*track_param_count=*/0,
    kParamTable.data(),
    kAttributeCount,
    kAttributeTable.data(),
    kAnalyzerName,
    kAnalyzerShortName,
    kAuthor,
    /*commands=*/"Open...\nAbout...",
};

}  // namespace varnok::analyzer
