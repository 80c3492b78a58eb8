// The LV2 plug-ins through run() beside the machine's own Render at the same
// work: what the host inside the plug-in adds (ticks, events, LV2's scale, the
// Analyzer's copy of its input).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "bench/per_sample.h"
#include "bench/running_machine.h"
#include "framework/render_signal.h"
#include "lv2/lilv_renderer.h"
#include "lv2/plugin_uris.h"

namespace varnok::bench {
namespace {

constexpr int kVoices = 16;
constexpr int kVelocity = 100;
// The keys of NoteByte(0) to NoteByte(15): octave 3 on, a semitone apart.
constexpr int kFirstKey = 36;

std::vector<float> Noise(int samples, float scale) {
  std::mt19937 random(7);
  std::normal_distribution<float> gauss(0.0f, 0.1f);
  std::vector<float> noise(static_cast<std::size_t>(samples));
  for (float& sample : noise) sample = gauss(random) * scale;
  return noise;
}

// Sixteen keys held, or the Analyzer fed noise, through run() block after block.
void Lv2Run(benchmark::State& state, const char* uri) {
  const int block = static_cast<int>(state.range(0));
  lv2::LilvRenderer plugin(uri);
  std::vector<float> input = Noise(block, 1.0f);
  std::vector<float> output(static_cast<std::size_t>(block));
  if (uri != lv2::kAnalyzerUri) {
    if (uri == lv2::kPulseUri) plugin.Set("dynamic_channels", kVoices);  // a voice for every key
    std::vector<lv2::TimedEvent> keys;
    for (int v = 0; v < kVoices; ++v) keys.push_back(lv2::NoteOn(0, kFirstKey + v, kVelocity));
    plugin.Play(1, keys, {1});
  }
  plugin.Connect(uri == lv2::kAnalyzerUri ? input.data() : nullptr, output.data());
  for (auto _ : state) {
    plugin.RunConnected(static_cast<std::uint32_t>(block));
    benchmark::ClobberMemory();
  }
  ReportPerSample(state, block, 0.0);
}

// The same work through the machine's own Render, as machine-host calls it.
void MachineRender(benchmark::State& state, const char* uri) {
  const int block = static_cast<int>(state.range(0));
  int mode = 0;
  if (uri == lv2::kAnalyzerUri) {
    RunningMachine machine("Varnok's Analyzer");
    const std::vector<float> noise = Noise(block, kFullLevel);
    std::copy(noise.begin(), noise.end(), machine.Buffer().begin());
    for (auto _ : state) benchmark::DoNotOptimize(machine.Render(block, kRenderHasInput));
    ReportPerSample(state, block, 0.0);
    return;
  }
  const bool pulse = uri == lv2::kPulseUri;
  RunningMachine machine(pulse ? "Varnok's Pulse" : "Varnok's Chip");
  (*machine).SetTrackCount(pulse ? 1 : kVoices);
  if (pulse) machine.SetAttribute("Dynamic Channels", kVoices);
  (*machine).ApplyAttributes();
  if (pulse) {
    for (int v = 0; v < kVoices; ++v) (*machine).OnMidiNote(0, kFirstKey + v, kVelocity);
  } else {
    machine.PlayTracks(kVoices);
  }
  for (auto _ : state) benchmark::DoNotOptimize(machine.Render(block, mode));
  ReportPerSample(state, block, 0.0);
}

void Blocks(benchmark::internal::Benchmark* benchmark) {
  benchmark->ArgName("block")->Arg(64)->Arg(256)->Arg(2048);
  AddRange(benchmark);
}

BENCHMARK_CAPTURE(Lv2Run, analyzer, lv2::kAnalyzerUri)->Apply(Blocks);
BENCHMARK_CAPTURE(MachineRender, analyzer, lv2::kAnalyzerUri)->Apply(Blocks);
BENCHMARK_CAPTURE(Lv2Run, chip_16_keys, lv2::kChipUri)->Apply(Blocks);
BENCHMARK_CAPTURE(MachineRender, chip_16_keys, lv2::kChipUri)->Apply(Blocks);
BENCHMARK_CAPTURE(Lv2Run, pulse_16_keys, lv2::kPulseUri)->Apply(Blocks);
BENCHMARK_CAPTURE(MachineRender, pulse_16_keys, lv2::kPulseUri)->Apply(Blocks);

}  // namespace
}  // namespace varnok::bench
