// The machines live by ticks. Where the host's audio stands among them: ticks
// of the host's tempo at four a beat, 125 beats a minute until a tempo comes.
#pragma once

#include <cstdint>

#include "framework/host_objects.h"

namespace varnok::lv2 {

// Samples in one tick at `beats_per_minute` (taken within 1 to 999), rounded
// down as machine-host does, and never fewer than one.
std::uint32_t SamplesPerTick(double sample_rate, double beats_per_minute) noexcept;

class TickClock final {
 public:
  // [ui] The next frame starts a tick, at the tempo last set.
  void Reset(double sample_rate) noexcept;
  // [audio] The tempo of the ticks that start from now on. Not a positive
  // finite number: ignored.
  void SetTempo(double beats_per_minute) noexcept;
  double Tempo() const noexcept { return beats_per_minute_; }

  bool AtTickStart() const noexcept { return done_ == 0; }
  // [audio] Starts a tick; `info` gets its timing, as a host keeps it current.
  void StartTick(HostInfo& info) noexcept;
  std::uint32_t FramesLeftInTick() const noexcept { return length_ - done_; }
  // [audio] `frames`, at most FramesLeftInTick(), have been played.
  void Advance(std::uint32_t frames, HostInfo& info) noexcept;

 private:
  double sample_rate_ = 0.0;
  double beats_per_minute_ = 0.0;
  std::uint32_t length_ = 1;  // of the current tick
  std::uint32_t done_ = 0;
};

}  // namespace varnok::lv2
