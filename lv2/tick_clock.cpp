#include "lv2/tick_clock.h"

#include <algorithm>
#include <cmath>

#include "host/song/song.h"
#include "host/song/song_limits.h"

namespace varnok::lv2 {
namespace {

constexpr double kSecondsPerMinute = 60.0;

}  // namespace

std::uint32_t SamplesPerTick(double sample_rate, double beats_per_minute) noexcept {
  const double tempo = std::clamp(beats_per_minute, 1.0, static_cast<double>(host::kMaxTempo));
  const double samples = std::floor(sample_rate * kSecondsPerMinute / (tempo * host::kDefaultTicksPerBeat));
  return samples >= 1.0 ? static_cast<std::uint32_t>(samples) : 1u;
}

void TickClock::Reset(double sample_rate) noexcept {
  sample_rate_ = sample_rate;
  if (beats_per_minute_ == 0.0) beats_per_minute_ = host::kDefaultBeatsPerMinute;
  done_ = 0;
}

void TickClock::SetTempo(double beats_per_minute) noexcept {
  if (std::isfinite(beats_per_minute) && beats_per_minute > 0.0) beats_per_minute_ = beats_per_minute;
}

void TickClock::StartTick(HostInfo& info) noexcept {
  length_ = SamplesPerTick(sample_rate_, beats_per_minute_);
  done_ = 0;
  info.beats_per_minute = static_cast<std::int32_t>(
      std::lround(std::clamp(beats_per_minute_, 1.0, static_cast<double>(host::kMaxTempo))));
  info.ticks_per_beat = host::kDefaultTicksPerBeat;
  info.samples_per_tick = static_cast<std::int32_t>(length_);
  info.tick_position = 0;
}

void TickClock::Advance(std::uint32_t frames, HostInfo& info) noexcept {
  done_ += frames;
  if (done_ >= length_) done_ = 0;
  info.tick_position = static_cast<std::int32_t>(done_);
}

}  // namespace varnok::lv2
