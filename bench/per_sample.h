// The figures every benchmark of machine-bench reports per output sample.
#pragma once

#include <benchmark/benchmark.h>

namespace varnok::bench {

// The rate the real-time factor is counted against.
inline constexpr double kRealTimeRate = 44100.0;

// Counter names, shared by the benchmarks and the reporter.
inline constexpr const char* kNsPerSample = "ns/sample";
inline constexpr const char* kBoundNs = "bound_ns";
inline constexpr const char* kVsBound = "x_bound";
inline constexpr const char* kRealTime = "x_realtime";
inline constexpr const char* kChainNs = "chain_ns";
inline constexpr const char* kVoices = "voices";

// `samples` output samples per iteration; `bound_ns` is the chain latency per
// output sample, or 0 where no chain bounds the work.
void ReportPerSample(benchmark::State& state, double samples, double bound_ns);
// A whole machine of `voices` voices: its voices' chains one after the other,
// beside the bound that ReportPerSample set.
void ReportVoices(benchmark::State& state, int voices, double chain_ns);

// Short, usual and long host blocks.
inline constexpr int kBlocks[] = {64, 256, 2048};

// The fastest and the slowest repetition as statistics "min" and "max", the
// range around the median that a shared machine's load moves the figures in.
void AddRange(benchmark::internal::Benchmark* benchmark);
// Every block size as argument "block", and the range of the repetitions.
void OverBlocks(benchmark::internal::Benchmark* benchmark);

}  // namespace varnok::bench
