#include "host/cli/peak_report.h"

#include <cmath>

#include "framework/render_signal.h"

namespace varnok::host::cli {

void PrintPeak(std::FILE* text, float peak, const char* over_words, std::size_t over_full_scale) {
  if (peak > 0.0f) {
    std::fprintf(text, "peak %.2f dBFS", 20.0 * std::log10(peak / kFullLevel));
  } else {
    std::fprintf(text, "peak -inf dBFS");
  }
  std::fprintf(text, ", %s %zu\n", over_words, over_full_scale);
}

}  // namespace varnok::host::cli
