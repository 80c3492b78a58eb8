// Each rule the validator enforces, broken on purpose by the faulty test plug-in.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>

#include "host/cli/validate_words.h"
#include "host/validate/validator.h"
#include "tests/support/emulated_dlls.h"

namespace varnok::host::validate {
namespace {

const std::string kFaulty = std::string(VARNOK_TEST_PLUGIN_DIR) + "/faulty.so";
const std::string kMinimal = std::string(VARNOK_TEST_PLUGIN_DIR) + "/minimal.so";
const std::string kFaultyEffect = std::string(VARNOK_TEST_PLUGIN_DIR) + "/faulty_effect.so";
// The same machine built for 32-bit Windows, run in the emulator: every check
// must catch it there exactly as here.
const std::string kEmulatedFaulty = std::string(VARNOK_EMULATED_TEST_PLUGIN_DIR) + "/faulty.dll";
const std::string kEmulatedFaultyEffect =
    std::string(VARNOK_EMULATED_TEST_PLUGIN_DIR) + "/faulty_effect.dll";

// Each check in machine-host, started as validate starts it.
platform::IsolatedTask CheckProcess(const ValidationSettings& settings, const std::string& check) {
  return {MACHINE_HOST, cli::ValidateWords(settings, cli::kRunCheckOption, check)};
}

Summary ValidateAll(const ValidationSettings& settings, std::string& table) {
  std::FILE* sink = std::tmpfile();
  const Summary summary = Validate(
      settings, [&](const std::string& check) { return CheckProcess(settings, check); }, sink);
  std::rewind(sink);
  char line[512];
  while (std::fgets(line, sizeof line, sink) != nullptr) table += line;
  std::fclose(sink);
  return summary;
}

CheckResult RunWithFault(const char* fault, const std::string& check, double timeout = 60.0,
                         const std::string& plugin = kFaulty) {
  setenv("VARNOK_FAULT", fault, 1);
  ValidationSettings settings;
  settings.plugin_path = plugin;
  settings.seed = 7;
  settings.strictness = 1;
  settings.timeout_seconds = timeout;
  CheckResult result = RunInOwnProcess(CheckProcess(settings, check), timeout);
  unsetenv("VARNOK_FAULT");
  return result;
}

TEST(Validator, AWellBehavedMachinePassesEveryCheck) {
  for (const std::string& plugin : {kMinimal, kFaulty, kFaultyEffect}) {
    ValidationSettings settings;
    settings.plugin_path = plugin;
    settings.seed = 11;
    settings.strictness = 1;
    std::string table;
    const Summary summary = ValidateAll(settings, table);
    EXPECT_EQ(summary.failed, 0) << plugin;
    EXPECT_EQ(summary.warnings, 0) << plugin;
    EXPECT_GE(summary.passed, 12) << plugin;
  }
}

struct Broken {
  const char* fault;
  const char* check;
  Outcome outcome;
  const char* detail;  // a part of what the validator must say
};

class BrokenRule : public ::testing::TestWithParam<std::tuple<const std::string*, Broken>> {};

TEST_P(BrokenRule, IsCaughtByItsCheckAndNamed) {
  const std::string& plugin = *std::get<0>(GetParam());
  const Broken& broken = std::get<1>(GetParam());
  if (&plugin == &kEmulatedFaulty) VARNOK_NEED_DLL(plugin);
  const CheckResult result = RunWithFault(broken.fault, broken.check, 60.0, plugin);
  // Sanitizer builds cannot count the process's heap and locks.
  if (result.outcome == Outcome::kSkipped && &plugin == &kFaulty) GTEST_SKIP() << result.detail;
  EXPECT_EQ(OutcomeName(result.outcome), std::string(OutcomeName(broken.outcome)));
  EXPECT_NE(result.detail.find(broken.detail), std::string::npos) << result.detail;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BrokenRule,
    ::testing::Combine(::testing::Values(&kFaulty, &kEmulatedFaulty), ::testing::Values(
        Broken{"crash-on-keyboard", "keyboard-notes", Outcome::kCrashed, "during every note"},
        Broken{"nan", "parameter-bytes", Outcome::kFailed, "is NaN"},
        Broken{"denormal", "block-sizes", Outcome::kFailed, "is denormal"},
        Broken{"rounding", "sample-rates", Outcome::kFailed,
               "Render left the floating-point control changed: x87 rounding upward "
               "(was to nearest)"},
        Broken{"sse-rounding", "sample-rates", Outcome::kFailed,
               "changed: SSE rounding downward (was to nearest)"},
        Broken{"flush-to-zero", "sample-rates", Outcome::kFailed,
               "changed: flush-to-zero on (was off)"},
        Broken{"denormals-are-zero", "sample-rates", Outcome::kFailed,
               "changed: denormals-are-zero on (was off)"},
        // Natively the mildest count that crashes is 2147483647; bounds checks meet 5 first.
        Broken{"unclamped-tracks", "tracks-out-of-range", Outcome::kCrashed, "during track count "},
        Broken{"false-but-wrote", "halt", Outcome::kFailed, "returned false but changed"},
        Broken{"true-but-unwritten", "block-sizes", Outcome::kFailed, "unwritten"},
        Broken{"block-dependent", "block-partition", Outcome::kFailed, "when cut"},
        Broken{"drifting-state", "state-roundtrip", Outcome::kFailed, "two saves in a row differ"},
        Broken{"loud-out-of-range", "attributes-out-of-range", Outcome::kWarning, "beyond"},
        Broken{"nan-out-of-range", "attributes-out-of-range", Outcome::kFailed, "is NaN"},
        Broken{"heap", "audio-path", Outcome::kFailed, "Render made 2 heap operations"},
        Broken{"heap-in-halt", "audio-path", Outcome::kFailed, "Halt made 2 heap operations"},
        Broken{"heap-in-track-count", "audio-path", Outcome::kFailed,
               "SetTrackCount made 2 heap operations"},
        Broken{"lock", "audio-path", Outcome::kFailed, "Render made 0 heap operations and took 1 locks"})),
    [](const ::testing::TestParamInfo<std::tuple<const std::string*, Broken>>& info) {
      std::string name = std::get<1>(info.param).fault;
      name += std::get<0>(info.param) == &kEmulatedFaulty ? "_emulated" : "";
      for (char& c : name) {
        if (c == '-') c = '_';
      }
      return name;
    });

TEST(Validator, AnEffectWhoseDecayTurnsDenormalFailsInTheSilenceAfterIt) {
  for (const std::string* plugin : {&kFaultyEffect, &kEmulatedFaultyEffect}) {
    if (plugin == &kEmulatedFaultyEffect) VARNOK_NEED_DLL(*plugin);
    const CheckResult result = RunWithFault("denormal-tail", "effect-inputs", 60.0, *plugin);
    EXPECT_EQ(result.outcome, Outcome::kFailed) << *plugin;
    EXPECT_EQ(result.detail.rfind("silence after full-scale squares: Render of ", 0), 0u)
        << result.detail;
    EXPECT_NE(result.detail.find("is denormal"), std::string::npos) << result.detail;
  }
}

// A hang in a check, or a crash or a hang while the library loads (GetInfo
// that never returns): killed at the timeout where it hangs, and the result of
// the check it happened in, with the validator alive to say so.
TEST(Validator, AHangOrACrashIsTheResultOfTheCheckItHappenedIn) {
  const struct {
    const char* fault;
    const std::string* plugin;
    double timeout;  // loading into the emulator takes a while before a check begins
    const char* failed;
    const char* row;
  } cases[] = {
      {"hang-in-tick", &kFaulty, 1.0, "halt", "-> hang: no end after 1 s during "},
      {"hang-in-tick", &kEmulatedFaulty, 20.0, "halt", "-> hang: no end after 20 s during "},
      {"crash-on-load", &kFaulty, 60.0, "load", "  load                     crashed"},
      {"hang-in-info", &kFaulty, 1.0, "load", "-> hang: no end after 1 s\n"},
      {"hang-in-info", &kEmulatedFaulty, 20.0, "load", "-> hang: no end after 20 s\n"},
  };
  for (const auto& c : cases) {
    if (c.plugin == &kEmulatedFaulty &&
        (varnok::testing::kEmulatorTooSlow ||
         (!varnok::testing::Present(*c.plugin) && !varnok::testing::DllsRequired()))) {
      continue;
    }
    setenv("VARNOK_FAULT", c.fault, 1);
    ValidationSettings settings;
    settings.plugin_path = *c.plugin;
    settings.timeout_seconds = c.timeout;
    settings.only = "halt";
    std::string table;
    const Summary summary = ValidateAll(settings, table);
    unsetenv("VARNOK_FAULT");
    EXPECT_EQ(summary.failed_checks, std::vector<std::string>{c.failed}) << table;
    EXPECT_NE(table.find(c.row), std::string::npos) << table;
  }
}

TEST(Validator, TheSameSeedReplaysTheSameFailure) {
  const CheckResult first = RunWithFault("nan", "parameter-bytes");
  const CheckResult second = RunWithFault("nan", "parameter-bytes");
  EXPECT_EQ(first.detail, second.detail);
  EXPECT_EQ(first.cases, second.cases);
}

}  // namespace
}  // namespace varnok::host::validate
