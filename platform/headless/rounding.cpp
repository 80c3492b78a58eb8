#include "platform/rounding.h"

#include <cfenv>

namespace varnok::platform {

RoundingMode RoundDownward() noexcept {
  const int saved = std::fegetround();
  std::fesetround(FE_DOWNWARD);
  return static_cast<RoundingMode>(saved);
}

void RestoreRounding(RoundingMode saved) noexcept { std::fesetround(static_cast<int>(saved)); }

}  // namespace varnok::platform
