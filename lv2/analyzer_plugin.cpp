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

// The input on the machines' scale, and, unless `out` is null, the input again
// unchanged: one pass over it, four samples at a time. Scaling by a power of
// two rounds nothing.
void MeasuredAndPassed(const float* __restrict in, float* __restrict measured, float* __restrict out,
                       std::uint32_t count) noexcept {
  typedef float Four __attribute__((vector_size(16)));
  constexpr Four kScale = {kFullLevel, kFullLevel, kFullLevel, kFullLevel};
  std::uint32_t i = 0;
  for (; i + 4 <= count; i += 4) {
    Four samples;
    std::memcpy(&samples, in + i, sizeof samples);
    const Four scaled = samples * kScale;
    std::memcpy(measured + i, &scaled, sizeof scaled);
    if (out != nullptr) std::memcpy(out + i, &samples, sizeof samples);
  }
  for (; i < count; ++i) {
    measured[i] = in[i] * kFullLevel;
    if (out != nullptr) out[i] = in[i];
  }
}

// LV2 hands the same buffer for an in-place run, else two that do not overlap;
// a host that breaks that still gets its input through whole.
bool Overlap(const float* a, const float* b, std::uint32_t count) noexcept {
  return a != b && a < b + count && b < a + count;
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
  pass_through_ = out_ != in_ && !Overlap(in_, out_, frames);
  WalkFrames(*this, clock_, hosted_.Info(), nullptr, no_events_, no_midi_, frames);
  if (!pass_through_ && out_ != in_) std::memmove(out_, in_, frames * sizeof(float));
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
  for (std::uint32_t at = offset; at < offset + count;) {
    const std::uint32_t block = std::min<std::uint32_t>(offset + count - at, host::kMaxBlock);
    MeasuredAndPassed(in_ + at, measured_.data(), pass_through_ ? out_ + at : nullptr, block);
    hosted_.Machine().Render(measured_.data(), static_cast<int>(block), kRenderHasInput);
    at += block;
  }
}

}  // namespace varnok::lv2
