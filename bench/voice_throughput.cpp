#include "bench/voice_throughput.h"

#include <algorithm>
#include <ctime>
#include <iterator>
#include <limits>

#include "host/core/host_services.h"
#include "testgen/testgen_machine.h"

namespace varnok::bench {
namespace {

constexpr int kBlock = 256;
constexpr int kBlocksPerRun = 4096;
constexpr int kRuns = 7;
constexpr int kFirstNote = 60;
constexpr int kFullVelocity = 128;

// The shipped voice, side by side as the machine renders it: N channels of a
// Test Generator at 44100 per second, each its own note, each into its own row.
template <int N>
double BestNsPerVoiceSample() {
  static testgen::TestGenMachine machine;
  static host::StandInHostServices services;
  static HostInfo info = host::MakeHostInfo(44100, 125, 4);
  static float out[N][kBlock];
  machine.host_info = &info;
  machine.host_services = &services;
  machine.Initialize(nullptr);
  testgen::SineChannel* group[N];
  float* outs[N];
  for (int j = 0; j < N; ++j) {
    group[j] = &machine.channels[j];
    group[j]->StartNote(kFirstNote + j, kFullVelocity);
    outs[j] = out[j];
  }
  double best = std::numeric_limits<double>::infinity();
  for (int run = 0; run < kRuns; ++run) {
    // Processor time, as the benchmarks count it.
    const std::clock_t start = std::clock();
    for (int b = 0; b < kBlocksPerRun; ++b) {
      testgen::SineChannel::RenderSideBySide<N>(group, outs, kBlock);
    }
    const double took_ns = 1e9 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    best = std::min(best, took_ns / (static_cast<double>(kBlocksPerRun) * kBlock * N));
  }
  return best;
}

VoiceThroughput Measure() {
  VoiceThroughput result{{BestNsPerVoiceSample<2>(), BestNsPerVoiceSample<4>(),
                          BestNsPerVoiceSample<8>(), BestNsPerVoiceSample<16>()},
                         0.0};
  result.best_ns = *std::min_element(std::begin(result.ns_per_voice_sample),
                                     std::end(result.ns_per_voice_sample));
  return result;
}

}  // namespace

const VoiceThroughput& MeasuredVoiceThroughput() {
  static const VoiceThroughput throughput = Measure();
  return throughput;
}

}  // namespace varnok::bench
