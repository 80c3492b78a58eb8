#include "bench/voice_throughput.h"

#include <algorithm>
#include <ctime>
#include <iterator>
#include <limits>

namespace varnok::bench {
namespace {

constexpr int kBlock = 256;
constexpr int kBlocksPerRun = 4096;
constexpr int kRuns = 7;

typedef double Pair __attribute__((vector_size(16)));
typedef float FloatPair __attribute__((vector_size(8)));

// Two voices to an SSE register, each written to its own row, as the machine does.
template <int N>
[[gnu::noinline]] void AdvanceVoices(Pair* k, Pair* c, Pair* s, float (*out)[kBlock]) noexcept {
  constexpr int kPairs = N / 2;
  Pair kk[kPairs], cc[kPairs], ss[kPairs];
  for (int p = 0; p < kPairs; ++p) kk[p] = k[p], cc[p] = c[p], ss[p] = s[p];
  for (int i = 0; i < kBlock; ++i) {
    for (int p = 0; p < kPairs; ++p) {
      cc[p] += kk[p] * ss[p];
      ss[p] -= kk[p] * cc[p];
      const FloatPair f = __builtin_convertvector(ss[p], FloatPair);
      out[2 * p][i] = f[0];
      out[2 * p + 1][i] = f[1];
    }
  }
  for (int p = 0; p < kPairs; ++p) c[p] = cc[p], s[p] = ss[p];
}

volatile double opaque_step = 0.0627;  // about 440 Hz at 44100 per second

template <int N>
double BestNsPerVoiceSample() {
  constexpr int kPairs = N / 2;
  Pair k[kPairs], c[kPairs], s[kPairs];
  static float out[N][kBlock];
  for (int p = 0; p < kPairs; ++p) {
    // Slightly different notes: nothing for the compiler to share.
    k[p] = Pair{opaque_step * (1.0 + 0.01 * p), opaque_step * (1.005 + 0.01 * p)};
    c[p] = Pair{30000.0, 30000.0};
    s[p] = Pair{0.0, 0.0};
  }
  double best = std::numeric_limits<double>::infinity();
  for (int run = 0; run < kRuns; ++run) {
    // Processor time, as the benchmarks count it.
    const std::clock_t start = std::clock();
    for (int b = 0; b < kBlocksPerRun; ++b) AdvanceVoices<N>(k, c, s, out);
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
