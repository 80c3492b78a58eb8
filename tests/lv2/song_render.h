// What machine-host renders of a song, on LV2's scale, for the plug-ins to equal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnok::lv2::testing {

// The first `frames` samples of the song `text`, divided by the machines' full
// level; silence where the song has ended.
std::vector<float> RenderSong(const std::string& text, std::uint32_t frames);

}  // namespace varnok::lv2::testing
