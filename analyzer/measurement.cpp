#include "analyzer/measurement.h"

#include <cmath>
#include <thread>

#include "platform/rounding.h"

namespace varnok::analyzer {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kPiTimesTwenty = kPi * 20.0;  // 2 pi x 10 Hz, formed first

}  // namespace

PowerFilter PowerFilterFor(int sample_rate) noexcept {
  const platform::FullPrecision precision;  // cos and sqrt run on the x87 unit in the DLL
  const double w = kPiTimesTwenty / sample_rate;
  const double b = 2.0 - std::cos(w);
  const double c = b - std::sqrt(b * b - 1.0);
  return {c, 1.0 - c};
}

void Measurement::Start(const PowerFilter& filter) noexcept {
  filter_ = filter;
  slots_[0] = Accumulator{};
  slots_[1] = Accumulator{};
}

// The taker flips audio_slot_ and then waits while slot_in_use_ names the old
// slot. Re-reading audio_slot_ after announcing the claim closes the window in
// which the taker could flip unseen: either the taker sees the claim and waits,
// or this side sees the flip and moves to the other slot.
int Measurement::ClaimSlot() noexcept {
  int slot = audio_slot_.load();
  for (;;) {
    slot_in_use_.store(slot);
    const int now = audio_slot_.load();
    if (now == slot) return slot;
    slot = now;
  }
}

bool Measurement::Render(const float* samples, int count, int mode) noexcept {
  const bool input = (mode & kRenderHasInput) != 0;
  if (count <= 0) return input || mode == 0;
  if (!input) {
    power_ = 0.0;
    published_power_.store(0.0, std::memory_order_release);
    return mode == 0;
  }

  // One pass: the power chain (a multiply and an add per sample) and the sum
  // chain run side by side instead of one after the other.
  Accumulator& slot = slots_[ClaimSlot()];
  const double c = filter_.feedback;
  const double g = filter_.input_gain;
  double power = power_;
  float lowest = slot.min_sample;
  float highest = slot.max_sample;
  double sum = slot.sample_sum;
  const auto measure = [&](float sample) {
    const double x = sample;
    power = c * power + g * x * x;
    sum += sample;
    // Both limits start at 0, so lowest <= 0 <= highest: a new maximum is never
    // also a new minimum.
    if (sample > highest) {
      highest = sample;
    } else if (sample < lowest) {
      lowest = sample;
    }
  };
  int i = 0;
  for (; i + 4 <= count; i += 4) {
    measure(samples[i]);
    measure(samples[i + 1]);
    measure(samples[i + 2]);
    measure(samples[i + 3]);
  }
  for (; i < count; ++i) measure(samples[i]);
  power_ = power;
  published_power_.store(power, std::memory_order_release);
  slot.min_sample = lowest;
  slot.max_sample = highest;
  slot.sample_sum = sum;
  slot_in_use_.store(kNoSlot);
  return true;
}

TickMeasures Measurement::Take() noexcept {
  const int taken = audio_slot_.load(std::memory_order_relaxed);
  audio_slot_.store(1 - taken);
  while (slot_in_use_.load() == taken) std::this_thread::yield();
  const Accumulator measured = slots_[taken];
  slots_[taken] = Accumulator{};
  return {Power(), measured.min_sample, measured.max_sample, measured.sample_sum};
}

}  // namespace varnok::analyzer
