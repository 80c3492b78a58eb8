// Floating-point rounding mode of the calling thread.
#pragma once

namespace varnok::platform {

// The whole rounding state as the system's runtime reports it.
using RoundingMode = unsigned int;

// [audio] Switches the calling thread to rounding toward minus infinity and
// returns the mode that was in force. Touches nothing but the rounding bits.
RoundingMode RoundDownward() noexcept;
// [audio] Puts back a mode returned by RoundDownward.
void RestoreRounding(RoundingMode saved) noexcept;

// Rounds toward minus infinity for its lifetime.
class DownwardRounding final {
 public:
  DownwardRounding() noexcept : saved_(RoundDownward()) {}
  ~DownwardRounding() { RestoreRounding(saved_); }
  DownwardRounding(const DownwardRounding&) = delete;
  DownwardRounding& operator=(const DownwardRounding&) = delete;

 private:
  RoundingMode saved_;
};

}  // namespace varnok::platform
