// machine-host validate PLUGIN: every check, each in its own process.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "host/cli/commands.h"
#include "host/validate/validator.h"

namespace varnok::host::cli {
namespace {

struct ValidateOptions {
  validate::ValidationSettings settings;
  bool seed_given = false;
  std::string run_check;  // set in a check's own process on Windows
};

std::uint64_t FreshSeed() {
  return static_cast<std::uint64_t>(
      std::chrono::steady_clock::now().time_since_epoch().count() & 0xFFFFFFFF);
}

}  // namespace

void AddValidateCommand(CLI::App& app) {
  auto* command = app.add_subcommand(
      "validate", "Run every check on a plug-in, each in its own process; non-zero exit on failure");
  auto options = std::make_shared<ValidateOptions>();
  validate::ValidationSettings& s = options->settings;
  command->add_option("plugin", s.plugin_path, "Plug-in library file")->required();
  command->add_option("--strictness", s.strictness, "How many cases each check runs")
      ->check(CLI::Range(validate::kLowestStrictness, validate::kHighestStrictness))
      ->capture_default_str();
  command->add_option("--seed", s.seed, "Seed of the random input; printed, to replay a failure")
      ->each([options](const std::string&) { options->seed_given = true; });
  command->add_option("--only", s.only, "Run only the check of this name");
  command->add_option("--timeout", s.timeout_seconds, "Seconds before a check counts as hung")
      ->check(CLI::PositiveNumber)
      ->capture_default_str();
  command->add_option("--run-check", options->run_check)->group("");
  command->callback([options] {
    validate::ValidationSettings& settings = options->settings;
    if (!options->seed_given) settings.seed = FreshSeed();
    if (!options->run_check.empty()) {
      validate::RunCheckHere(settings, options->run_check, stdout);
      return;
    }
    const validate::Summary summary = validate::Validate(settings, stdout);
    if (summary.failed > 0) throw CLI::RuntimeError(1);
  });
}

}  // namespace varnok::host::cli
