// The line render and play end with: how loud the output peaked, and how many
// samples lay beyond full level.
#pragma once

#include <cstddef>
#include <cstdio>

namespace varnok::host::cli {

// `peak` on the host's scale (full level 32768); `over_words` says what became
// of the samples beyond full level.
void PrintPeak(std::FILE* text, float peak, const char* over_words, std::size_t over_full_scale);

}  // namespace varnok::host::cli
