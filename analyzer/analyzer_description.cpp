#include "analyzer/analyzer_description.h"

namespace varnok::analyzer {
namespace {

const ParamDescriptor* const kParams[] = {&kDummyParam};
const AttributeDescriptor* const kAttributes[] = {&kDummyAttribute};

}  // namespace

// Neither the parameter nor the attribute does anything: the host expects a
// machine to have some.
const ParamDescriptor kDummyParam = {
    kByteParam, "Dummy", "Dummy", 0, 128, kNoValue, kByteParamFlags, 0};

const AttributeDescriptor kDummyAttribute = {"Dummy", 0, 100, 0};

const MachineDescription kAnalyzerDescription = {
    kMachineKind, kInterfaceVersion, 0,
    /*min_tracks=*/0, /*max_tracks=*/0,
    /*global_param_count=*/1, /*track_param_count=*/0, kParams,
    /*attribute_count=*/1, kAttributes,
    kAnalyzerName, kAnalyzerShortName, kAuthor, "Open...\nAbout..."};

}  // namespace varnok::analyzer
