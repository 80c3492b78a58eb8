#include "bench/chain_latency.h"

#include <algorithm>
#include <ctime>
#include <limits>

namespace varnok::bench {
namespace {

constexpr long kLinks = 1L << 24;  // some ms per run: far above the clock's grain
constexpr int kRuns = 9;

// Neither function can be vectorized or reassociated without -ffast-math: each
// link needs the one before, so the loop runs at the operations' latency.
[[gnu::noinline]] double RunAdds(double x, double b, long links) noexcept {
  for (long i = 0; i < links; ++i) x = x + b;
  return x;
}

[[gnu::noinline]] double RunMulAdds(double x, double k, double b, long links) noexcept {
  for (long i = 0; i < links; ++i) x = x * k + b;
  return x;
}

// The optimizer must not know the operands.
volatile double opaque_start = 1.0;
volatile double opaque_step = 1e-9;
volatile double opaque_factor = 0.999999;
volatile double sink;

template <class Chain>
double BestNsPerLink(Chain chain) {
  double best = std::numeric_limits<double>::infinity();
  for (int run = 0; run < kRuns; ++run) {
    // Processor time, as the benchmarks count it: a busy machine shares its
    // cores, and waiting for one is no part of a chain.
    const std::clock_t start = std::clock();
    sink = chain();
    const double took_ns = 1e9 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    best = std::min(best, took_ns / kLinks);
  }
  return best;
}

ChainLatency Measure() {
  const double start = opaque_start, step = opaque_step, factor = opaque_factor;
  ChainLatency latency;
  latency.add_ns = BestNsPerLink([&] { return RunAdds(start, step, kLinks); });
  latency.mul_add_ns = BestNsPerLink([&] { return RunMulAdds(start, factor, step, kLinks); });
  return latency;
}

}  // namespace

const ChainLatency& MeasuredChainLatency() {
  static const ChainLatency latency = Measure();
  return latency;
}

double AddChain(double x, double b, long links) noexcept { return RunAdds(x, b, links); }

double MulAddChain(double x, double k, double b, long links) noexcept {
  return RunMulAdds(x, k, b, links);
}

double SineBoundNs() { return 2.0 * MeasuredChainLatency().mul_add_ns; }
double ChipBoundNs() { return MeasuredChainLatency().add_ns; }
double AnalyzerBoundNs() { return MeasuredChainLatency().mul_add_ns; }

}  // namespace varnok::bench
