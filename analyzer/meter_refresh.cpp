#include "analyzer/meter_refresh.h"

#include "analyzer/meter_display.h"

namespace varnok::analyzer {

MeterRefresh::Due MeterRefresh::Step(const TickMeasures& measured, std::int32_t samples_per_tick,
                                     std::int32_t refresh_rate, std::int32_t averaging) noexcept {
  const double a = kAveragingCoefficients[averaging];
  refresh_count_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(refresh_count_) + 1u);

  current_.ratio = LevelRatio(measured.power);
  current_.range = static_cast<double>(measured.max_sample) - measured.min_sample;
  current_.offset = OffsetOf(measured.sample_sum, samples_per_tick);
  average_.ratio = a * average_.ratio + (1.0 - a) * current_.ratio;
  average_.range = a * average_.range + (1.0 - a) * current_.range;
  average_.offset = a * average_.offset + (1.0 - a) * current_.offset;

  return {(refresh_count_ & ((1 << refresh_rate) - 1)) == 0, (refresh_count_ & 7) == 0};
}

}  // namespace varnok::analyzer
