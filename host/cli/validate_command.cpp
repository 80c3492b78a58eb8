// machine-host validate PLUGIN: every check, each in its own process.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "host/cli/commands.h"
#include "host/cli/option_checks.h"
#include "host/cli/validate_words.h"
#include "host/core/host_error.h"
#include "host/core/plugin_library.h"
#include "host/validate/checks.h"
#include "host/validate/validator.h"
#include "platform/isolated_run.h"

namespace varnok::host::cli {
namespace {

constexpr double kLongestTimeoutSeconds = 86400.0;

struct ValidateOptions {
  PluginChoice plugin;
  validate::ValidationSettings settings;
  bool seed_given = false;
  std::string run_check;  // set in a check's own process
};

std::uint64_t FreshSeed() {
  return static_cast<std::uint64_t>(
      std::chrono::steady_clock::now().time_since_epoch().count() & 0xFFFFFFFF);
}

// `text` as one word for sh and bash alike: bare when it is safe, else in
// single quotes, with each ' written as '\''.
std::string ShellWord(const std::string& text) {
  const std::string safe = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-+=.,/:@%";
  if (!text.empty() && text.find_first_not_of(safe) == std::string::npos) return text;
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// A command that runs the failed check alone again, pasteable as it stands.
void PrintReplay(const std::string& program, const validate::ValidationSettings& s, const std::string& check) {
  std::string line = "replay: " + ShellWord(program);
  for (const std::string& word : ValidateWords(s, kOnlyOption, check)) line += " " + ShellWord(word);
  if (s.timeout_seconds != validate::kDefaultTimeoutSeconds) line += " --timeout " + PlainNumber(s.timeout_seconds);
  std::printf("%s\n", line.c_str());
}

std::string CheckList() {
  std::string list = "Checks (for --only):\n";
  for (const validate::Check& check : validate::AllChecks()) {
    char row[256];
    std::snprintf(row, sizeof row, "  %-24s %s\n", check.name, check.description);
    list += row;
  }
  return list;
}

// Finding a plug-in by its full name loads every plug-in in the folder, any of
// which may never return: bounded as loading is in the checks. A native call
// cannot be stopped, so the process ends without waiting for it.
std::string LocateWithin(double seconds, const PluginChoice& choice, const CLI::App& app) {
  std::packaged_task<std::string()> locate([&] { return LocateChosenPlugin(choice, app); });
  std::future<std::string> found = locate.get_future();
  std::thread searching(std::move(locate));
  if (found.wait_for(std::chrono::duration<double>(seconds)) == std::future_status::ready) {
    searching.join();
    return found.get();
  }
  StopEmulatedCalls();
  std::fprintf(stderr, "machine-host: finding '%s' took over %s s: a plug-in in the folder never returned\n",
               Escaped(choice.word).c_str(), PlainNumber(seconds).c_str());
  std::fflush(nullptr);
  std::_Exit(1);
}

}  // namespace

void AddValidateCommand(CLI::App& app) {
  auto* command = app.add_subcommand(
      kValidateCommand,
      "Run every check on a plug-in, each in its own process; exit 1 when one fails");
  auto options = std::make_shared<ValidateOptions>();
  validate::ValidationSettings& s = options->settings;
  AddPluginOptions(*command, options->plugin);
  command->add_option(kStrictnessOption, s.strictness, "How many cases each check runs")
      ->check(WholeNumber(validate::kLowestStrictness, validate::kHighestStrictness))
      ->capture_default_str();
  command->add_option(kSeedOption, s.seed, "Seed of the random input; printed, to replay a failure")
      ->check(AnyUnsigned64())
      ->each([options](const std::string&) { options->seed_given = true; });
  command->add_option(kOnlyOption, s.only, "Run only the check of this name (listed below)")
      ->check(NotEmpty("a check name"));
  command->add_option("--timeout", s.timeout_seconds, "Seconds before a check, or loading the plug-in, counts as hung")
      ->check(Seconds(1.0, kLongestTimeoutSeconds))
      ->capture_default_str();
  command->add_option(kRunCheckOption, options->run_check)->group("");
  command->footer(CheckList());
  command->callback([options, &app] {
    validate::ValidationSettings& settings = options->settings;
    settings.plugin_path = LocateWithin(settings.timeout_seconds, options->plugin, app);
    if (!options->seed_given) settings.seed = FreshSeed();
    if (!options->run_check.empty()) {
      validate::RunCheckHere(settings, options->run_check, stdout);
      return;
    }
    // Each check in a process of its own: this program again, on the file found.
    const std::string program = platform::ThisProgram();
    const validate::Summary summary = validate::Validate(
        settings,
        [&](const std::string& check) {
          return platform::IsolatedTask{program, ValidateWords(settings, kRunCheckOption, check)};
        },
        stdout);
    for (const std::string& check : summary.failed_checks) PrintReplay(app.get_name(), settings, check);
    if (summary.failed > 0) throw CLI::RuntimeError(1);
  });
}

}  // namespace varnok::host::cli
