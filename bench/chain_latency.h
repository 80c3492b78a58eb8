// The physical limit of each kernel: the time one link of its loop-carried
// chain of floating-point operations takes on this machine.
#pragma once

namespace varnok::bench {

struct ChainLatency {
  double add_ns;      // x = x + b
  double mul_add_ns;  // x = x * k + b: a multiply, then an add on its result
};

// Measured on first use, the best of several runs.
const ChainLatency& MeasuredChainLatency();

// Runs `links` dependent links and returns the end of the chain, so nothing is
// left for the compiler to drop.
double AddChain(double x, double b, long links) noexcept;
double MulAddChain(double x, double k, double b, long links) noexcept;

// Per output sample of each kernel.
double SineBoundNs();      // c += k s; s -= k c: two multiply-adds in a row
double ChipBoundNs();      // phase += step
double AnalyzerBoundNs();  // power = c power + g x x: one multiply-add

}  // namespace varnok::bench
