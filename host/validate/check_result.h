// What one check of a plug-in found, and how it travels from the process that
// ran the check back to the validator.
#pragma once

#include <optional>
#include <string>

namespace varnok::host::validate {

enum class Outcome { kPassed, kWarning, kSkipped, kFailed, kCrashed };

const char* OutcomeName(Outcome outcome);

struct CheckResult {
  Outcome outcome = Outcome::kPassed;
  long cases = 0;      // how many cases the check ran before it ended
  std::string detail;  // one line: what went wrong, or why the check was skipped
};

// One line each: "machine <full name>" once loaded, "at <where>" while running,
// "result <outcome> <cases> <detail>" at the end.
std::string MachineLine(const std::string& full_name);
std::string ProgressLine(const std::string& where);
std::string ResultLine(const CheckResult& result);

// What a check's process reported: the machine it loaded, its result, if it got
// that far, and the last place it said it was at.
struct Report {
  std::string machine;
  std::optional<CheckResult> result;
  std::string last_progress;
};
Report ParseReport(const std::string& text);

}  // namespace varnok::host::validate
