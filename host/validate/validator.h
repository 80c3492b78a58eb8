// Runs every check on one plug-in, each in its own process, and prints the table.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "host/validate/check_result.h"
#include "platform/isolated_run.h"

namespace varnok::host::validate {

inline constexpr int kLowestStrictness = 1;
inline constexpr int kHighestStrictness = 10;
inline constexpr int kDefaultStrictness = 3;
inline constexpr double kDefaultTimeoutSeconds = 120.0;

struct ValidationSettings {
  std::string plugin_path;
  std::uint64_t seed = 0;
  int strictness = kDefaultStrictness;
  double timeout_seconds = kDefaultTimeoutSeconds;
  std::string only;  // one check's name, or empty for all
};

struct Summary {
  int passed = 0;
  int warnings = 0;
  int skipped = 0;
  int failed = 0;  // crashes included
  std::vector<std::string> failed_checks;  // their names, in the order run
};

// The process that runs the check named `check` and reports on its standard
// output (RunCheckHere there): the caller knows how to start one.
using CheckProcess = std::function<platform::IsolatedTask(const std::string& check)>;

// The check that runs first: the library loaded and its description read, in a
// process of its own like every other, so a crash or a hang there is a result.
inline constexpr const char* kLoadCheck = "load";

// Throws HostError when `only` names no check, when no process can be
// started, and when the plug-in cannot be loaded (not a plug-in, or its
// description is invalid).
Summary Validate(const ValidationSettings& settings, const CheckProcess& process, std::FILE* out);

// Runs `task` and judges how it ended.
CheckResult RunInOwnProcess(const platform::IsolatedTask& task, double timeout_seconds);

// What a check's own process runs: the check named `name`, its report on `report`.
void RunCheckHere(const ValidationSettings& settings, const std::string& name, std::FILE* report);

// The result of a check from how its process ended and what it reported.
CheckResult Judge(const platform::IsolatedRun& run, double timeout_seconds);

}  // namespace varnok::host::validate
