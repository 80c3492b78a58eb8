#include "bench/per_sample.h"

#include <algorithm>
#include <vector>

namespace varnok::bench {

void ReportPerSample(benchmark::State& state, double samples, double bound_ns) {
  using benchmark::Counter;
  // An inverted rate of samples * 1e-9 per iteration is the time per sample in ns.
  state.counters[kNsPerSample] =
      Counter(samples * 1e-9, Counter::kIsIterationInvariantRate | Counter::kInvert);
  if (bound_ns > 0.0) state.counters[kBoundNs] = Counter(bound_ns);
}

void ReportVoices(benchmark::State& state, int voices, double chain_ns) {
  state.counters[kVoices] = benchmark::Counter(voices);
  state.counters[kChainNs] = benchmark::Counter(chain_ns);
}

void AddRange(benchmark::internal::Benchmark* benchmark) {
  benchmark->ComputeStatistics("min", [](const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
  });
  benchmark->ComputeStatistics("max", [](const std::vector<double>& values) {
    return *std::max_element(values.begin(), values.end());
  });
}

void OverBlocks(benchmark::internal::Benchmark* benchmark) {
  benchmark->ArgName("block");
  for (int block : kBlocks) benchmark->Arg(block);
  AddRange(benchmark);
}

}  // namespace varnok::bench
