// Console output of machine-bench: every run with its real-time factor and its
// ratio to the chain bound, then one summary table of the whole run: medians,
// with the range of the repetitions.
#pragma once

#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace varnok::bench {

class BoundReporter final : public benchmark::ConsoleReporter {
 public:
  BoundReporter() : ConsoleReporter(OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override;
  // Prints the summary as a Markdown table, ready for the performance notes.
  void Finalize() override;

 private:
  struct Row {
    double median_ns = 0.0;
    double fastest_ns = 0.0;  // the range of the repetitions
    double slowest_ns = 0.0;
    double bound_ns = 0.0;
    double chain_ns = 0.0;   // whole machines: their voices' chains one after the other
    double voices = 0.0;
  };

  void Remember(const Run& run);

  std::vector<std::string> order_;
  std::map<std::string, Row> rows_;
};

}  // namespace varnok::bench
