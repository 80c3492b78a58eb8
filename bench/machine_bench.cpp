// Whole machines as the host runs them: the plug-in loaded from its file, its
// voices started by ticks and keyboard notes, then Render block after block.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/chain_latency.h"
#include "bench/per_sample.h"
#include "bench/voice_throughput.h"
#include "host/core/host_services.h"
#include "host/core/machine_instance.h"
#include "host/core/plugin.h"

namespace varnok::bench {
namespace {

constexpr int kRate = 44100;
constexpr int kTracks = 16;
constexpr std::uint8_t kNoValue = 255;

std::string PluginFile(const char* name) {
  return std::string(VARNOK_PLUGIN_DIR) + "/" + name + VARNOK_PLUGIN_SUFFIX;
}

// Octave 3 upwards, one semitone per voice.
std::uint8_t NoteByte(int voice) {
  return static_cast<std::uint8_t>(((3 + voice / 12) << 4) | (1 + voice % 12));
}

class RunningMachine {
 public:
  explicit RunningMachine(const char* plugin_name)
      : plugin_(host::Plugin::Load(PluginFile(plugin_name))),
        info_(host::MakeHostInfo(kRate, 125, 4)),
        machine_(plugin_, info_, services_),
        buffer_(host::kMaxBlock) {
    const MachineDescription& d = plugin_.Description();
    for (int i = 0; i < d.attribute_count; ++i) {
      machine_->attribute_values[i] = d.attributes[i]->default_value;
    }
    machine_->Initialize(nullptr);
  }

  MachineBase& operator*() { return *machine_; }
  void SetAttribute(const char* name, std::int32_t value) {
    const MachineDescription& d = plugin_.Description();
    for (int i = 0; i < d.attribute_count; ++i) {
      if (std::strcmp(d.attributes[i]->name, name) == 0) machine_->attribute_values[i] = value;
    }
  }

  // Starts one note on each of the first `tracks` tracks in a single tick; every
  // other byte says "no value", so velocities and widths keep their defaults.
  void PlayTracks(int tracks) {
    const int stride = plugin_.Description().track_param_count;
    std::fill_n(machine_->track_values, kTracks * stride, kNoValue);
    for (int t = 0; t < kTracks; ++t) machine_->track_values[t * stride] = t < tracks ? NoteByte(t) : 0;
    machine_->ApplyTick();
  }

  bool Render(int count) { return machine_->Render(buffer_.data(), count, 0); }

 private:
  host::Plugin plugin_;
  HostInfo info_;
  host::StandInHostServices services_;
  host::MachineInstance machine_;
  std::vector<float> buffer_;
};

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
    ->Apply(AddFastest);

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
    ->Apply(AddFastest);

}  // namespace
}  // namespace varnok::bench
