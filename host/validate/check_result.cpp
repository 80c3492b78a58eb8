#include "host/validate/check_result.h"

#include <cstdlib>
#include <sstream>

namespace varnok::host::validate {
namespace {

constexpr Outcome kOutcomes[] = {Outcome::kPassed, Outcome::kWarning, Outcome::kSkipped,
                                 Outcome::kFailed, Outcome::kCrashed};

// Reports are line-based: a detail must stay on its line.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

}  // namespace

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kPassed: return "passed";
    case Outcome::kWarning: return "warning";
    case Outcome::kSkipped: return "skipped";
    case Outcome::kFailed: return "failed";
    case Outcome::kCrashed: return "crashed";
  }
  return "?";
}

std::string MachineLine(const std::string& full_name) { return "machine " + OneLine(full_name) + "\n"; }

std::string ProgressLine(const std::string& where) { return "at " + OneLine(where) + "\n"; }

std::string ResultLine(const CheckResult& result) {
  return "result " + std::string(OutcomeName(result.outcome)) + " " +
         std::to_string(result.cases) + " " + OneLine(result.detail) + "\n";
}

Report ParseReport(const std::string& text) {
  Report report;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    // A report read through a Windows text-mode pipe ends its lines in CR LF.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("machine ", 0) == 0) {
      report.machine = line.substr(8);
      continue;
    }
    if (line.rfind("at ", 0) == 0) {
      report.last_progress = line.substr(3);
      continue;
    }
    if (line.rfind("result ", 0) != 0) continue;
    std::istringstream fields(line.substr(7));
    std::string name;
    long cases = 0;
    if (!(fields >> name >> cases)) continue;
    for (Outcome outcome : kOutcomes) {
      if (name != OutcomeName(outcome)) continue;
      CheckResult result{outcome, cases, {}};
      std::getline(fields, result.detail);
      if (!result.detail.empty() && result.detail.front() == ' ') result.detail.erase(0, 1);
      report.result = result;
    }
  }
  return report;
}

}  // namespace varnok::host::validate
