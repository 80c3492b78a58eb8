// What the Analyzer measures of the signal, block by block: a running power
// through a 10 Hz one-pole low-pass, and per tick the lowest and highest sample
// and the sum of the samples. The audio side accumulates; the window's thread
// takes each tick's values without either side taking a lock.
#pragma once

#include <array>
#include <atomic>

#include "framework/render_signal.h"

namespace varnok::analyzer {

// power <- feedback * power + input_gain * x * x: unity gain at 0 Hz.
struct PowerFilter {
  double feedback;    // c
  double input_gain;  // g = 1 - c
};

// The filter with its corner at 10 Hz for `sample_rate`.
PowerFilter PowerFilterFor(int sample_rate) noexcept;

// What accumulated since the previous take.
struct TickMeasures {
  double power;  // running mean square, not reset by a take
  float min_sample;
  float max_sample;
  double sample_sum;
};

class Measurement final {
 public:
  // [ui] Before any Render: new coefficients, and the per-tick values cleared.
  // The power carries on.
  void Start(const PowerFilter& filter) noexcept;

  // [audio] Measures `count` samples without writing them. Returns Render's
  // answer: true with input, else true only for mode 0. A block without input
  // drops the power to 0; an empty block changes nothing.
  bool Render(const float* samples, int count, int mode) noexcept;

  // [ui] The values since the previous take, which start again from 0. May
  // wait for the audio side to finish the block it is measuring.
  TickMeasures Take() noexcept;

  // [any thread] The power at the end of the latest block.
  double Power() const noexcept { return published_power_.load(std::memory_order_acquire); }
  PowerFilter Filter() const noexcept { return filter_; }

 private:
  static constexpr int kNoSlot = -1;

  struct Accumulator {
    float min_sample = 0.0f;
    float max_sample = 0.0f;
    double sample_sum = 0.0;
  };

  // Which of the two accumulators the audio side may fill now: the other one
  // belongs to the taker.
  int ClaimSlot() noexcept;

  PowerFilter filter_{0.0, 0.0};
  double power_ = 0.0;  // the audio side's filter state
  // The power for readers on other threads: stored with release after each
  // block, loaded with acquire, so a reader gets a whole block's value.
  std::atomic<double> published_power_{0.0};
  std::array<Accumulator, 2> slots_;
  // The claim handshake (ClaimSlot against Take) is a store then a load of the
  // other variable on each side; only sequential consistency keeps both from
  // reading the old value, so these two use the default order.
  std::atomic<int> audio_slot_{0};  // written by the taker only
  std::atomic<int> slot_in_use_{kNoSlot};  // the slot a Render is filling, or kNoSlot
  static_assert(std::atomic<double>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
                "Render must not lock");
};

}  // namespace varnok::analyzer
