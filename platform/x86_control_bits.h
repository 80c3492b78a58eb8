// Where the x86 units keep the floating-point control a plug-in must leave as
// found. The two-bit rounding field is encoded alike in both units.
#pragma once

#include <cstdint>

namespace varnok::platform::x86 {

inline constexpr unsigned kX87RoundingShift = 10;  // control word bits 10-11
inline constexpr unsigned kSseRoundingShift = 13;  // MXCSR bits 13-14
inline constexpr std::uint32_t kRoundingField = 3;
inline constexpr std::uint32_t kRoundDownward = 1;  // the field's value for toward minus infinity
inline constexpr std::uint32_t kX87Rounding = kRoundingField << kX87RoundingShift;
inline constexpr std::uint32_t kSseRounding = kRoundingField << kSseRoundingShift;
inline constexpr std::uint32_t kFlushToZero = 0x8000;       // MXCSR bit 15
inline constexpr std::uint32_t kDenormalsAreZero = 0x0040;  // MXCSR bit 6

}  // namespace varnok::platform::x86

static_assert(varnok::platform::x86::kX87Rounding == 0x0C00 &&
                  varnok::platform::x86::kSseRounding == 0x6000,
              "the rounding fields as the processor manuals place them");
