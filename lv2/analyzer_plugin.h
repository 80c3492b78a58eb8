// The Analyzer as an LV2 plug-in: the audio passes through untouched, and six
// control outputs carry, as numbers, what the meter window would show. The
// plug-in plays the window's part itself: at every tick it takes the tick's
// measures and works them out as the window does, whose two settings are
// control inputs.
#pragma once

#include <array>
#include <cstdint>

#include <lv2/core/lv2.h>

#include "analyzer/analyzer_description.h"
#include "analyzer/meter_refresh.h"
#include "host/core/host_services.h"
#include "lv2/atom_events.h"
#include "lv2/hosted_machine.h"
#include "lv2/midi_stream.h"
#include "lv2/plugin_layouts.h"
#include "lv2/tick_clock.h"

namespace varnok::lv2 {

class AnalyzerPlugin final {
 public:
  static constexpr PortLayout kLayout = kAnalyzerLayout;

  // [ui] Needs no feature of the host.
  AnalyzerPlugin(double sample_rate, const LV2_Feature* const* features);

  bool Failed() const noexcept { return hosted_.Failed(); }
  void Connect(std::uint32_t port, void* data) noexcept;
  void Activate() noexcept;
  void Run(std::uint32_t frames) noexcept;

  // Steps of WalkFrames.
  void OnMidi(const MidiMessage&) noexcept {}
  void OnTick() noexcept;
  void Play(std::uint32_t offset, std::uint32_t count) noexcept;

 private:
  HostedMachine hosted_;
  double sample_rate_;
  TickClock clock_;
  EventUris no_events_;
  MidiStream no_midi_;
  analyzer::MeterRefresh meter_;
  std::array<float, kReadingCount> readings_{};
  const float* in_ = nullptr;
  float* out_ = nullptr;
  const float* refresh_rate_ = nullptr;
  const float* averaging_ = nullptr;
  const float* tempo_ = nullptr;
  std::array<float*, kReadingCount> reading_ports_{};
  bool pass_through_ = false;  // Play copies the input out as it goes
  std::array<float, host::kMaxBlock> measured_{};  // the input on the machines' scale
};

}  // namespace varnok::lv2
