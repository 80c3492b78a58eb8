#include "lv2/analyzer_plugin.h"

#include <algorithm>
#include <cstring>

#include "analyzer/analyzer_machine.h"
#include "analyzer/analyzer_window.h"
#include "analyzer/meter_display.h"
#include "framework/plugin_entry.h"
#include "framework/render_signal.h"
#include "lv2/control_ports.h"
#include "lv2/frame_walk.h"

namespace varnok::lv2 {
namespace {

MachineBase* CreateAnalyzer() noexcept { return CreateMachineOf<analyzer::AnalyzerMachine>(); }

// The level the window shows, with "-inf dB" as its floor.
float LevelReading(double ratio) noexcept {
  const double level = analyzer::LevelDecibels(ratio);
  return static_cast<float>(level > analyzer::kDecibelFloor ? level : analyzer::kDecibelFloor);
}

void Show(const analyzer::MeterValues& values, float* level, float* amplitude, float* offset) noexcept {
  *level = LevelReading(values.ratio);
  *amplitude = static_cast<float>(values.range * analyzer::kPercentScale);
  *offset = static_cast<float>(values.offset);
}

}  // namespace

AnalyzerPlugin::AnalyzerPlugin(double sample_rate, const LV2_Feature* const*)
    : hosted_(CreateAnalyzer, analyzer::kAnalyzerDescription, sample_rate, 0), sample_rate_(sample_rate) {
  clock_.Reset(sample_rate_);
  readings_[kCurrentLevel] = readings_[kAverageLevel] = static_cast<float>(analyzer::kDecibelFloor);
}

void AnalyzerPlugin::Connect(std::uint32_t port, void* data) noexcept {
  if (port >= kLayout.Count()) return;
  const PortSlot slot = kLayout.SlotOf(port);
  switch (slot.role) {
    case PortRole::kAudioIn:
      in_ = static_cast<const float*>(data);
      break;
    case PortRole::kAudioOut:
      out_ = static_cast<float*>(data);
      break;
    case PortRole::kRefreshRate:
      refresh_rate_ = static_cast<const float*>(data);
      break;
    case PortRole::kAveraging:
      averaging_ = static_cast<const float*>(data);
      break;
    case PortRole::kTempo:
      tempo_ = static_cast<const float*>(data);
      break;
    case PortRole::kReading:
      reading_ports_[slot.item] = static_cast<float*>(data);
      break;
    default:
      break;
  }
}

void AnalyzerPlugin::Activate() noexcept { clock_.Reset(sample_rate_); }

void AnalyzerPlugin::Run(std::uint32_t frames) noexcept {
  if (in_ == nullptr || out_ == nullptr) return;
  if (tempo_ != nullptr) clock_.SetTempo(*tempo_);
  WalkFrames(*this, clock_, hosted_.Info(), nullptr, no_events_, no_midi_, frames);
  if (out_ != in_) std::memmove(out_, in_, frames * sizeof(float));
  for (int i = 0; i < kReadingCount; ++i) {
    if (reading_ports_[i] != nullptr) *reading_ports_[i] = readings_[i];
  }
}

// As the window's refresh follows each tick's ApplyTick: the measures are
// those of the tick before.
void AnalyzerPlugin::OnTick() noexcept {
  auto& analyzer = static_cast<analyzer::AnalyzerMachine&>(hosted_.Machine());
  analyzer.ApplyTick();
  const std::int32_t refresh_rate = PortValue(refresh_rate_ != nullptr ? *refresh_rate_ : 0.0f, 0,
                                              analyzer::kSettingCount - 1, analyzer::kDefaultRefreshRate);
  const std::int32_t averaging = PortValue(averaging_ != nullptr ? *averaging_ : 1.0f, 0,
                                           analyzer::kSettingCount - 1, analyzer::kDefaultAveraging);
  const analyzer::MeterRefresh::Due due =
      meter_.Step(analyzer.TakeMeasures(), hosted_.Info().samples_per_tick, refresh_rate, averaging);
  if (due.current) {
    Show(meter_.Current(), &readings_[kCurrentLevel], &readings_[kCurrentAmplitude], &readings_[kCurrentOffset]);
  }
  if (due.average) {
    Show(meter_.Average(), &readings_[kAverageLevel], &readings_[kAverageAmplitude], &readings_[kAverageOffset]);
  }
}

void AnalyzerPlugin::Play(std::uint32_t offset, std::uint32_t count) noexcept {
  const float* in = in_ + offset;
  for (std::uint32_t at = 0; at < count;) {
    const std::uint32_t block = std::min<std::uint32_t>(count - at, host::kMaxBlock);
    for (std::uint32_t i = 0; i < block; ++i) measured_[i] = in[at + i] * kFullLevel;
    hosted_.Machine().Render(measured_.data(), static_cast<int>(block), kRenderHasInput);
    at += block;
  }
}

}  // namespace varnok::lv2
