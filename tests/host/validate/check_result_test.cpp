#include <gtest/gtest.h>

#include <cmath>

#include "host/validate/check_result.h"
#include "host/validate/sample_checks.h"
#include "host/validate/validator.h"

namespace varnok::host::validate {
namespace {

using Ending = platform::IsolatedRun::Ending;

platform::IsolatedRun Ended(Ending ending, std::string report, int exit_code = 0) {
  platform::IsolatedRun run;
  run.ending = ending;
  run.exit_code = exit_code;
  run.report = std::move(report);
  run.reason = "Segmentation fault";
  return run;
}

TEST(CheckReport, AResultSurvivesTheTripAndNewlinesCannotSplitIt) {
  const std::string text = MachineLine("Odd\nMachine") + ProgressLine("tick 3\nof 4") +
                           ResultLine({Outcome::kWarning, 42, "odd\nvalue"});
  const Report report = ParseReport(text);
  EXPECT_EQ(report.machine, "Odd Machine");
  ASSERT_TRUE(report.result.has_value());
  EXPECT_EQ(report.result->outcome, Outcome::kWarning);
  EXPECT_EQ(report.result->cases, 42);
  EXPECT_EQ(report.result->detail, "odd value");
  EXPECT_EQ(report.last_progress, "tick 3 of 4");

  const Report windows = ParseReport("at block 2\r\nresult failed 3 is NaN\r\n");
  ASSERT_TRUE(windows.result.has_value());
  EXPECT_EQ(windows.result->detail, "is NaN");
  EXPECT_EQ(windows.last_progress, "block 2");
}

TEST(CheckReport, HowAProcessEndedDecidesTheResult) {
  const std::string progress = ProgressLine("sample rate 8000");
  const CheckResult passed =
      Judge(Ended(Ending::kExited, progress + ResultLine({Outcome::kPassed, 5, ""})), 9);
  EXPECT_EQ(passed.outcome, Outcome::kPassed);
  EXPECT_EQ(passed.cases, 5);

  const CheckResult crashed = Judge(Ended(Ending::kCrashed, progress), 9);
  EXPECT_EQ(crashed.outcome, Outcome::kCrashed);
  EXPECT_EQ(crashed.detail, "Segmentation fault during sample rate 8000");

  const CheckResult hung = Judge(Ended(Ending::kTimedOut, progress), 9);
  EXPECT_EQ(hung.outcome, Outcome::kFailed);
  EXPECT_EQ(hung.detail, "hang: no end after 9 s during sample rate 8000");

  // A sanitizer ends a process with an exit code, not a signal: still a crash.
  const CheckResult aborted = Judge(Ended(Ending::kExited, progress, 1), 9);
  EXPECT_EQ(aborted.outcome, Outcome::kCrashed);
  EXPECT_EQ(aborted.detail, "exited with code 1 during sample rate 8000");
}

TEST(SampleChecks, TheLimitIsTwoToTheTwentiethAndOnlyNormalFiniteSamplesPass) {
  EXPECT_EQ(kSampleLimit, 1048576.0f);
  float fine[] = {0.0f, -0.0f, 1e-30f, -kSampleLimit, kSampleLimit, 32767.0f};
  EXPECT_EQ(CheckSamples(fine, 6), "");
  float beyond[] = {0.0f, std::nextafter(kSampleLimit, 2e6f)};
  EXPECT_EQ(CheckSamples(beyond, 2).rfind("sample 1 of 2 is beyond", 0), 0u);
  float denormal[] = {1e-40f};
  EXPECT_EQ(CheckSamples(denormal, 1).rfind("sample 0 of 1 is denormal", 0), 0u);
  // An effect that passes the host's denormal through untouched made none itself.
  float other_denormal[] = {-1e-40f};
  EXPECT_EQ(CheckSamples(denormal, 1, denormal), "");
  EXPECT_EQ(CheckSamples(denormal, 1, other_denormal).rfind("sample 0 of 1 is denormal", 0), 0u);
  float infinite[] = {1.0f, -INFINITY};
  EXPECT_EQ(CheckSamples(infinite, 2), "sample 1 of 2 is infinite (-inf)");
  EXPECT_TRUE(HasNonFinite(infinite, 2));
  EXPECT_FALSE(HasNonFinite(beyond, 2));
}

TEST(SampleChecks, TheSentinelIsNotTheNanThatArithmeticMakes) {
  float block[3];
  FillWithSentinel(block, 3);
  EXPECT_EQ(FirstSentinel(block, 3), 0);
  block[0] = 0.0f;
  block[1] = std::nanf("");
  EXPECT_FALSE(IsSentinel(block[1]));
  EXPECT_EQ(FirstSentinel(block, 3), 2);
}

}  // namespace
}  // namespace varnok::host::validate
