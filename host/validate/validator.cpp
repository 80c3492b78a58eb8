#include "host/validate/validator.h"

#include <optional>

#include "host/core/host_error.h"
#include "host/core/plugin.h"
#include "host/validate/checks.h"
#include "host/validate/machine_driver.h"

namespace varnok::host::validate {
namespace {

std::string During(const Report& report) {
  return report.last_progress.empty() ? "" : " during " + report.last_progress;
}

void PrintRow(std::FILE* out, const Check& check, const CheckResult& result) {
  std::fprintf(out, "  %-24s %-8s %7ld  %s\n", check.name, OutcomeName(result.outcome),
               result.cases, check.description);
  if (!result.detail.empty()) std::fprintf(out, "  %-24s %-8s %7s  -> %s\n", "", "", "",
                                           result.detail.c_str());
}

void Count(Summary& summary, const Check& check, Outcome outcome) {
  switch (outcome) {
    case Outcome::kPassed: ++summary.passed; break;
    case Outcome::kWarning: ++summary.warnings; break;
    case Outcome::kSkipped: ++summary.skipped; break;
    case Outcome::kFailed:
    case Outcome::kCrashed:
      ++summary.failed;
      summary.failed_checks.push_back(check.name);
      break;
  }
}

}  // namespace

CheckResult Judge(const platform::IsolatedRun& run, double timeout_seconds) {
  using Ending = platform::IsolatedRun::Ending;
  const Report report = ParseReport(run.report);
  switch (run.ending) {
    case Ending::kNotStarted:
      return {Outcome::kSkipped, 0, "could not start a process for the check: " + run.reason};
    case Ending::kTimedOut:
      return {Outcome::kFailed, report.result ? report.result->cases : 0,
              "hang: no end after " + std::to_string(static_cast<int>(timeout_seconds)) + " s" +
                  During(report)};
    case Ending::kCrashed:
      return {Outcome::kCrashed, 0, run.reason + During(report)};
    case Ending::kExited:
      break;
  }
  if (run.exit_code == 0 && report.result) return *report.result;
  return {Outcome::kCrashed, report.result ? report.result->cases : 0,
          "exited with code " + std::to_string(run.exit_code) + During(report)};
}

void RunCheckHere(const ValidationSettings& settings, const std::string& name, std::FILE* report) {
  const Check* check = FindCheck(name);
  if (check == nullptr) throw HostError("no check named '" + name + "'");
  std::optional<Plugin> plugin;
  try {
    plugin.emplace(Plugin::Load(settings.plugin_path));
  } catch (const HostError& error) {
    std::fputs(ResultLine({Outcome::kFailed, 0, error.what()}).c_str(), report);
    std::fflush(report);
    return;
  }
  std::fputs(MachineLine(plugin->Description().full_name).c_str(), report);
  CheckContext context(*plugin, CheckSeed(settings.seed, name), settings.strictness, report);
  CheckResult result;
  try {
    result = check->body(context);
  } catch (const CheckFailure& failure) {
    result = {Outcome::kFailed, context.cases, context.Where() + ": " + failure.what()};
  } catch (const std::exception& error) {
    // CreateMachine returning null, or an exception out of the plug-in.
    result = {Outcome::kCrashed, context.cases, context.Where() + ": " + error.what()};
  }
  std::fputs(ResultLine(result).c_str(), report);
  std::fflush(report);
}

CheckResult RunInOwnProcess(const platform::IsolatedTask& task, double timeout_seconds) {
  return Judge(platform::RunIsolated(task, timeout_seconds), timeout_seconds);
}

Summary Validate(const ValidationSettings& settings, const CheckProcess& process, std::FILE* out) {
  if (!settings.only.empty() && FindCheck(settings.only) == nullptr) {
    throw HostError("no check named '" + settings.only + "'; see machine-host validate --help");
  }
  const platform::IsolatedRun loading = platform::RunIsolated(process(kLoadCheck), settings.timeout_seconds);
  const CheckResult loaded = Judge(loading, settings.timeout_seconds);
  using Ending = platform::IsolatedRun::Ending;
  if (loading.ending == Ending::kNotStarted) throw HostError(loaded.detail);
  // A file that is no plug-in, or a description the host refuses: the user's
  // mistake, said in one line as every other command says it.
  if (loading.ending == Ending::kExited && loaded.outcome == Outcome::kFailed) {
    throw HostError(loaded.detail);
  }
  const std::string machine = ParseReport(loading.report).machine;
  std::fprintf(out, "%s: %s, seed %llu, strictness %d\n", settings.plugin_path.c_str(),
               machine.empty() ? "not loaded" : machine.c_str(),
               static_cast<unsigned long long>(settings.seed), settings.strictness);
  std::fprintf(out, "  %-24s %-8s %7s  %s\n", "check", "result", "cases", "what it does");
  Summary summary;
  for (const Check& check : AllChecks()) {
    const bool load = check.name == std::string(kLoadCheck);
    if (!load && !settings.only.empty() && settings.only != check.name) continue;
    const CheckResult result =
        load ? loaded : RunInOwnProcess(process(check.name), settings.timeout_seconds);
    PrintRow(out, check, result);
    std::fflush(out);
    Count(summary, check, result.outcome);
    if (load && result.outcome != Outcome::kPassed) break;  // every other check would load it again
  }
  std::fprintf(out, "%d passed, %d failed, %d skipped, %d warnings\n", summary.passed,
               summary.failed, summary.skipped, summary.warnings);
  return summary;
}

}  // namespace varnok::host::validate
