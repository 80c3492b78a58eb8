// The inner loops on their own: one channel or one measurement, one block at a
// time, and the chains that bound them.
#include <cmath>
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "analyzer/measurement.h"
#include "bench/chain_latency.h"
#include "bench/per_sample.h"
#include "chip/chip_channel.h"
#include "chip/chip_machine.h"
#include "host/core/host_services.h"
#include "framework/dsp_add.h"
#include "platform/rounding.h"
#include "testgen/sine_channel.h"
#include "testgen/testgen_machine.h"

namespace varnok::bench {
namespace {

constexpr int kRate = 44100;
constexpr int kA4 = 69;
constexpr int kFullVelocity = 128;
constexpr double kTwoPi = 6.283185307179586;

void Chain(benchmark::State& state, double bound_ns, bool multiply) {
  const long links = state.range(0);
  double x = 1.0;
  for (auto _ : state) {
    x = multiply ? MulAddChain(x, 0.999999, 1e-9, links) : AddChain(x, 1e-9, links);
    benchmark::DoNotOptimize(x);
  }
  ReportPerSample(state, static_cast<double>(links), bound_ns);
}

void AddLink(benchmark::State& state) { Chain(state, MeasuredChainLatency().add_ns, false); }
void MulAddLink(benchmark::State& state) { Chain(state, MeasuredChainLatency().mul_add_ns, true); }
BENCHMARK(AddLink)->ArgName("links")->Arg(4096)->Apply(AddRange);
BENCHMARK(MulAddLink)->ArgName("links")->Arg(4096)->Apply(AddRange);

void SineChannel(benchmark::State& state) {
  const int block = static_cast<int>(state.range(0));
  testgen::TestGenMachine machine;
  machine.sample_rate = kRate;
  testgen::SineChannel& channel = machine.channels[0];
  channel.StartNote(kA4, kFullVelocity);
  std::vector<float> out(block);
  for (auto _ : state) {
    channel.RenderInto(out.data(), block);
    benchmark::ClobberMemory();
  }
  ReportPerSample(state, block, SineBoundNs());
}
BENCHMARK(SineChannel)->Apply(OverBlocks);

// A Chip channel on the stand-in host's tables, playing `note` at `level`.
class ChipVoice {
 public:
  explicit ChipVoice(std::uint8_t note) : block_{note, 255, 255, 255} {
    info_ = host::MakeHostInfo(kRate, 125, 4);
    machine_.host_info = &info_;
    machine_.host_services = &services_;
    machine_.Initialize(nullptr);
    channel_.Init(machine_, block_);
    channel_.StartNote(block_);
  }
  chip::ChipChannel& channel() { return channel_; }

 private:
  std::uint8_t block_[4];
  HostInfo info_;
  host::StandInHostServices services_;
  chip::ChipMachine machine_;
  chip::ChipChannel channel_;
};

// Note bytes that play on table levels 0, 4 and 9 at 44100 samples per second.
void ChipChannel(benchmark::State& state) {
  const int block = static_cast<int>(state.range(0));
  const int level = static_cast<int>(state.range(1));
  const std::uint8_t note = level == 0 ? 0x01 : level == 4 ? 0x4A : 0x9C;
  ChipVoice voice(note);
  if (voice.channel().mip_level != level) {
    state.SkipWithError("the note does not play on the level asked for");
    return;
  }
  std::vector<float> out(block);
  for (auto _ : state) {
    voice.channel().RenderInto(out.data(), block);
    benchmark::ClobberMemory();
  }
  ReportPerSample(state, block, ChipBoundNs());
}
BENCHMARK(ChipChannel)
    ->ArgNames({"block", "level"})
    ->ArgsProduct({{kBlocks[0], kBlocks[1], kBlocks[2]}, {0, 4, 9}})
    ->Apply(AddRange);

// What the Chip pays per block, whatever its length: the switch to downward
// rounding and back.
void RoundingSwitch(benchmark::State& state) {
  for (auto _ : state) {
    const platform::DownwardRounding rounding;
    benchmark::ClobberMemory();
  }
  ReportPerSample(state, 1, 0.0);
}
BENCHMARK(RoundingSwitch)->Apply(AddRange);

// A full-level 440 Hz sine: every sample moves the power, the sum and now and
// then a limit.
std::vector<float> SineInput(int count) {
  std::vector<float> samples(count);
  for (int i = 0; i < count; ++i) {
    samples[i] = static_cast<float>(32767.0 * std::sin(kTwoPi * 440.0 * i / kRate));
  }
  return samples;
}

void AnalyzerRender(benchmark::State& state) {
  const int block = static_cast<int>(state.range(0));
  const std::vector<float> input = SineInput(block);
  analyzer::Measurement measurement;
  measurement.Start(analyzer::PowerFilterFor(kRate));
  for (auto _ : state) {
    benchmark::DoNotOptimize(measurement.Render(input.data(), block, varnok::kRenderHasInput));
  }
  ReportPerSample(state, block, AnalyzerBoundNs());
}
BENCHMARK(AnalyzerRender)->Apply(OverBlocks);

void DspAdd(benchmark::State& state) {
  const int block = static_cast<int>(state.range(0));
  std::vector<float> destination(block, 1.0f);
  const std::vector<float> source(block, 0.0f);
  for (auto _ : state) {
    DSP_Add(destination.data(), source.data(), static_cast<unsigned long>(block));
    benchmark::ClobberMemory();
  }
  ReportPerSample(state, block, 0.0);
}
BENCHMARK(DspAdd)->Apply(OverBlocks);

}  // namespace
}  // namespace varnok::bench
