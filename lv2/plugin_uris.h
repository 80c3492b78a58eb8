// The names the LV2 world knows the machines by. A URI is a plug-in's identity
// in every host's saved sessions: written here once, never changed.
#pragma once

namespace varnok::lv2 {

inline constexpr const char* kAnalyzerUri = "urn:varnok:lv2:analyzer";
inline constexpr const char* kChipUri = "urn:varnok:lv2:chip";
inline constexpr const char* kPulseUri = "urn:varnok:lv2:pulse";

}  // namespace varnok::lv2
