// The checks a plug-in must pass. Each runs in a process of its own.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "host/core/host_services.h"
#include "host/core/plugin.h"
#include "host/validate/check_result.h"
#include "host/validate/workload.h"

namespace varnok::host::validate {

class CheckContext final {
 public:
  CheckContext(const Plugin& plugin, std::uint64_t seed, int strictness, std::FILE* report)
      : plugin(plugin), random(seed), strictness(strictness), report_(report) {}

  const Plugin& plugin;
  StandInHostServices services;
  Random random;
  const int strictness;  // 1..10: multiplies the case counts
  long cases = 0;

  // Case counts grow with the strictness.
  int Scaled(int per_step) const { return per_step * strictness; }
  // Says what the check is doing now, so a crash report can name the case.
  void At(const std::string& where);
  const std::string& Where() const { return where_; }

 private:
  std::FILE* report_;
  std::string where_;
};

// A check ends by returning its result or by throwing CheckFailure.
using CheckBody = CheckResult (*)(CheckContext& context);

struct Check {
  const char* name;
  const char* description;
  CheckBody body;
};

const std::vector<Check>& AllChecks();
const Check* FindCheck(const std::string& name);

// Builds a machine started as a host does, at `sample_rate` with `tracks` tracks.
std::unique_ptr<MachineDriver> StartedMachine(CheckContext& context, int sample_rate, int tracks);

CheckResult Passed(const CheckContext& context);

}  // namespace varnok::host::validate
