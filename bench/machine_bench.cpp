// Whole machines as the host runs them: the plug-in loaded from its file, its
// voices started by ticks and keyboard notes, then Render block after block.
#include <algorithm>

#include <benchmark/benchmark.h>

#include "bench/chain_latency.h"
#include "bench/per_sample.h"
#include "bench/voice_throughput.h"
#include "bench/running_machine.h"

namespace varnok::bench {
namespace {

// `voice_bound` per voice and sample; `voice_chain` the same voice's chain.
void RenderBlocks(benchmark::State& state, RunningMachine& machine, int voices, double voice_bound,
                  double voice_chain) {
  const int block = static_cast<int>(state.range(1));
  if (!machine.Render(block)) {
    state.SkipWithError("no voice sounds");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(machine.Render(block));
  ReportPerSample(state, block, voices * voice_bound);
  ReportVoices(state, voices, voices * voice_chain);
}

// Up to 16 voices from the tracks, the rest from the keyboard on shared slots.
void TestGenerator(benchmark::State& state) {
  const int voices = static_cast<int>(state.range(0));
  RunningMachine machine("Varnok's Pulse");
  const int tracks = std::min(voices, kTracks);
  (*machine).SetTrackCount(tracks);
  machine.SetAttribute("Dynamic Channels", 64);  // the whole pool
  (*machine).ApplyAttributes();
  machine.PlayTracks(tracks);
  for (int v = tracks; v < voices; ++v) (*machine).OnMidiNote(0, 36 + v, 100);
  // One voice is bound by its chain; several overlap, up to the processor's throughput.
  const double bound = voices == 1 ? SineBoundNs() : MeasuredVoiceThroughput().best_ns;
  RenderBlocks(state, machine, voices, bound, SineBoundNs());
}
BENCHMARK(TestGenerator)
    ->ArgNames({"voices", "block"})
    ->ArgsProduct({{1, 16, 64}, {kBlocks[0], kBlocks[1], kBlocks[2]}})
    ->Apply(AddRange);

void Chip(benchmark::State& state) {
  const int voices = static_cast<int>(state.range(0));
  RunningMachine machine("Varnok's Chip");
  (*machine).SetTrackCount(voices);
  (*machine).ApplyAttributes();
  machine.PlayTracks(voices);
  RenderBlocks(state, machine, voices, ChipBoundNs(), ChipBoundNs());
}
BENCHMARK(Chip)
    ->ArgNames({"voices", "block"})
    ->ArgsProduct({{1, 16}, {kBlocks[0], kBlocks[1], kBlocks[2]}})
    ->Apply(AddRange);

}  // namespace
}  // namespace varnok::bench
