#include "host/validate/sample_checks.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace varnok::host::validate {
namespace {

std::uint32_t Bits(float sample) {
  std::uint32_t bits;
  std::memcpy(&bits, &sample, sizeof bits);
  return bits;
}

}  // namespace

void FillWithSentinel(float* samples, int count) {
  float sentinel;
  std::memcpy(&sentinel, &kSentinelBits, sizeof sentinel);
  for (int i = 0; i < count; ++i) samples[i] = sentinel;
}

bool IsSentinel(float sample) { return Bits(sample) == kSentinelBits; }

int FirstSentinel(const float* samples, int count) {
  for (int i = 0; i < count; ++i) {
    if (IsSentinel(samples[i])) return i;
  }
  return -1;
}

std::string CheckSamples(const float* samples, int count, const float* input) {
  for (int i = 0; i < count; ++i) {
    const float x = samples[i];
    const char* what = nullptr;
    switch (std::fpclassify(x)) {
      case FP_NAN: what = "NaN"; break;
      case FP_INFINITE: what = "infinite"; break;
      case FP_SUBNORMAL:
        if (input == nullptr || Bits(input[i]) != Bits(x)) what = "denormal";
        break;
      default:
        if (std::fabs(x) > kSampleLimit) what = "beyond ±2^20";
    }
    if (what != nullptr) {
      char text[96];
      std::snprintf(text, sizeof text, "sample %d of %d is %s (%g)", i, count, what,
                    static_cast<double>(x));
      return text;
    }
  }
  return {};
}

bool HasNonFinite(const float* samples, int count) {
  for (int i = 0; i < count; ++i) {
    if (!std::isfinite(samples[i])) return true;
  }
  return false;
}

}  // namespace varnok::host::validate
