// What the meter window works out at each refresh, apart from the texts it
// writes: the tick's values, their averages, and which column is due. The
// window shows them; a host without the window may show them its own way.
#pragma once

#include <cstdint>

#include "analyzer/measurement.h"

namespace varnok::analyzer {

struct MeterValues {
  double ratio = 0.0;   // RMS ratio, 1.281 at full level
  double range = 0.0;   // highest minus lowest sample, in sample units
  double offset = 0.0;  // absolute mean sample, in sample units
};

class MeterRefresh final {
 public:
  struct Due {
    bool current;  // the "Current" column is rewritten at this refresh
    bool average;  // the "Average" column is
  };

  // One refresh: the tick's measures go into the averages. `refresh_rate` and
  // `averaging` are the window's settings, 0 to 2.
  Due Step(const TickMeasures& measured, std::int32_t samples_per_tick, std::int32_t refresh_rate,
           std::int32_t averaging) noexcept;

  const MeterValues& Current() const noexcept { return current_; }
  const MeterValues& Average() const noexcept { return average_; }

 private:
  std::int32_t refresh_count_ = -1;  // refreshes so far, minus one
  MeterValues current_;
  MeterValues average_;
};

}  // namespace varnok::analyzer
