// Varnok's Analyzer: a meter in the signal path. It passes the signal on
// untouched and shows its level, amplitude and offset in a window.
#pragma once

#include <cstdint>

#include "analyzer/analyzer_window.h"
#include "analyzer/measurement.h"
#include "framework/description.h"
#include "framework/instance_counter.h"
#include "framework/machine_base.h"

namespace varnok::analyzer {

class AnalyzerMachine final : public Machine<AnalyzerMachine> {
 public:
  AnalyzerMachine() noexcept;

  // [ui] Reads the window settings from `saved`, which may be null.
  void MACHINE_CALL Initialize(StateInput* saved) override;
  // [audio]
  void MACHINE_CALL ApplyTick() noexcept override;
  // [audio] Measures the block; never writes to `samples`.
  bool MACHINE_CALL Render(float* samples, int count, int mode) noexcept override;
  // [ui]
  void MACHINE_CALL SaveState(StateOutput* out) override;
  // [ui] 0 opens the window, 1 shows the About box; others do nothing.
  void MACHINE_CALL RunCommand(int index) override;

  const AnalyzerWindow& Window() const noexcept { return window; }
  const Measurement& Measures() const noexcept { return measurement; }
  // What the window's refresh takes, for a host that shows the window's values
  // without the window (the LV2 plug-in), on the side that renders.
  TickMeasures TakeMeasures() noexcept { return measurement.Take(); }
  std::uint8_t LastDummy() const noexcept { return last_dummy; }
  double DummyFraction() const noexcept { return dummy_fraction; }

 private:
  InstanceCounter instance_counter;
  std::uint8_t global_block = kNoValue;
  std::int32_t attribute_block = 0;
  std::uint8_t last_dummy = 0;
  double dummy_fraction = 0.0;
  Measurement measurement;
  AnalyzerWindow window;  // last, so destroyed first: its dialog closes before the counter goes
};

}  // namespace varnok::analyzer
