#include "bench/bound_reporter.h"

#include <cstdio>
#include <ostream>

#include "bench/per_sample.h"

namespace varnok::bench {
namespace {

double CounterOr(const benchmark::BenchmarkReporter::Run& run, const char* name, double fallback) {
  const auto found = run.counters.find(name);
  return found == run.counters.end() ? fallback : found->second.value;
}

std::string PlainName(const benchmark::BenchmarkReporter::Run& run) {
  benchmark::BenchmarkName name = run.run_name;
  name.repetitions.clear();
  return name.str();
}

// A single run or an aggregate that is itself a time per sample.
bool IsTime(const benchmark::BenchmarkReporter::Run& run) {
  return run.run_type == benchmark::BenchmarkReporter::Run::RT_Iteration ||
         run.aggregate_name == "min" || run.aggregate_name == "max" ||
         run.aggregate_name == "median" || run.aggregate_name == "mean";
}

std::string Fixed(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

}  // namespace

void BoundReporter::ReportRuns(const std::vector<Run>& runs) {
  std::vector<Run> shown = runs;
  for (Run& run : shown) {
    const double ns = CounterOr(run, kNsPerSample, 0.0);
    if (ns <= 0.0) continue;
    // Plain values from here on: the console would print the rate flags as "/s".
    const double bound = CounterOr(run, kBoundNs, 0.0);
    run.counters[kNsPerSample] = benchmark::Counter(ns);
    if (!IsTime(run)) continue;  // a spread, not a time
    run.counters[kRealTime] = benchmark::Counter(1e9 / (ns * kRealTimeRate));
    if (bound > 0.0) run.counters[kVsBound] = benchmark::Counter(ns / bound);
    Remember(run);
  }
  ConsoleReporter::ReportRuns(shown);
}

void BoundReporter::Remember(const Run& run) {
  const std::string name = PlainName(run);
  auto [row, added] = rows_.try_emplace(name);
  if (added) order_.push_back(name);
  const double ns = CounterOr(run, kNsPerSample, 0.0);
  row->second.bound_ns = CounterOr(run, kBoundNs, 0.0);
  row->second.chain_ns = CounterOr(run, kChainNs, 0.0);
  row->second.voices = CounterOr(run, kVoices, 0.0);
  Row& r = row->second;
  if (run.run_type == Run::RT_Iteration) {
    // Without repetitions the one run is the median and the whole range.
    if (r.median_ns == 0.0) r.median_ns = ns;
    if (r.fastest_ns == 0.0 || ns < r.fastest_ns) r.fastest_ns = ns;
    if (ns > r.slowest_ns) r.slowest_ns = ns;
  } else if (run.aggregate_name == "median") {
    r.median_ns = ns;
  } else if (run.aggregate_name == "min") {
    r.fastest_ns = ns;
  } else if (run.aggregate_name == "max") {
    r.slowest_ns = ns;
  }
}

void BoundReporter::Finalize() {
  ConsoleReporter::Finalize();
  std::ostream& out = GetOutputStream();
  out << "\n| benchmark | ns/sample median | range | bound ns | x bound | chain ns | x chain "
         "| ns per voice | x real time |\n"
      << "|---|---:|---:|---:|---:|---:|---:|---:|---:|\n";
  for (const std::string& name : order_) {
    const Row& row = rows_.at(name);
    out << "| " << name << " | " << Fixed(row.median_ns, 3) << " | " << Fixed(row.fastest_ns, 3) << "-"
        << Fixed(row.slowest_ns, 3) << " | ";
    if (row.bound_ns > 0.0) {
      out << Fixed(row.bound_ns, 3) << " | " << Fixed(row.median_ns / row.bound_ns, 2) << " | ";
    } else {
      out << "- | - | ";
    }
    if (row.chain_ns > 0.0) {
      out << Fixed(row.chain_ns, 3) << " | " << Fixed(row.median_ns / row.chain_ns, 2) << " | "
          << Fixed(row.median_ns / row.voices, 3) << " | ";
    } else {
      out << "- | - | - | ";
    }
    out << Fixed(1e9 / (row.median_ns * kRealTimeRate), 0) << " |\n";
  }
  out.flush();
}

}  // namespace varnok::bench
