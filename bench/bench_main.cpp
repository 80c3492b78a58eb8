// machine-bench: Google Benchmark's flags, with repetitions by default so that
// each figure is the median of several runs, with their range.
#include <cstdio>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/bound_reporter.h"
#include "bench/chain_latency.h"
#include "bench/voice_throughput.h"

int main(int argc, char** argv) {
  // Ahead of the caller's flags, which override them.
  std::vector<char*> args{argv[0]};
  char repetitions[] = "--benchmark_repetitions=5";
  char aggregates[] = "--benchmark_report_aggregates_only=true";
  char min_time[] = "--benchmark_min_time=0.1";
  args.insert(args.end(), {repetitions, aggregates, min_time});
  args.insert(args.end(), argv + 1, argv + argc);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

  const varnok::bench::ChainLatency& chain = varnok::bench::MeasuredChainLatency();
  std::printf("chain latency: add %.3f ns, multiply-add %.3f ns\n", chain.add_ns, chain.mul_add_ns);
  const varnok::bench::VoiceThroughput& voices = varnok::bench::MeasuredVoiceThroughput();
  std::printf("voice throughput, ns per voice and sample:");
  for (int i = 0; i < 4; ++i) {
    std::printf(" %d side by side %.3f,", varnok::bench::kSideBySideCounts[i],
                voices.ns_per_voice_sample[i]);
  }
  std::printf(" bound %.3f\n", voices.best_ns);
  varnok::bench::BoundReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
