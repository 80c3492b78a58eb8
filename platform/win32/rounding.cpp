#include "platform/rounding.h"

#include <float.h>

namespace varnok::platform {

static_assert(_RC_DOWN == 0x100 && _MCW_RC == 0x300, "x87 rounding-control bits");

RoundingMode RoundDownward() noexcept {
  const RoundingMode saved = _control87(0, 0);
  _control87(_RC_DOWN, _MCW_RC);
  return saved;
}

// Only the rounding bits of the saved word go back; precision and exception
// masks stay as whoever set them since.
void RestoreRounding(RoundingMode saved) noexcept { _control87(saved, _MCW_RC); }

}  // namespace varnok::platform
