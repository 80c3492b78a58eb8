#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "platform/isolated_run.h"

namespace varnok::platform {
namespace {

IsolatedRun RunAway(std::function<void(std::FILE*)> body, double timeout = 10.0) {
  IsolatedTask task;
  task.body = std::move(body);
  return RunIsolated(task, timeout);
}

TEST(IsolatedRun, HandsBackTheReportAndTheExitCode) {
  const IsolatedRun run = RunAway([](std::FILE* report) { std::fputs("hello\nworld\n", report); });
  EXPECT_EQ(run.ending, IsolatedRun::Ending::kExited);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.report, "hello\nworld\n");
}

TEST(IsolatedRun, ACrashIsObservedAndKeepsWhatWasReportedBeforeIt) {
  const IsolatedRun run = RunAway([](std::FILE* report) {
    std::fputs("at step 2\n", report);
    std::fflush(report);
    std::abort();  // sanitizers turn SIGSEGV into an exit code; nobody catches abort
  });
  EXPECT_EQ(run.ending, IsolatedRun::Ending::kCrashed);
  EXPECT_FALSE(run.reason.empty());
  EXPECT_EQ(run.report, "at step 2\n");
}

TEST(IsolatedRun, AHangIsKilledAtTheTimeout) {
  const IsolatedRun run = RunAway(
      [](std::FILE*) {
        for (volatile int forever = 1; forever;) {
        }
      },
      0.3);
  EXPECT_EQ(run.ending, IsolatedRun::Ending::kTimedOut);
}

TEST(IsolatedRun, AnExceptionOutOfTheTaskEndsItWithAnErrorCode) {
  const IsolatedRun run = RunAway([](std::FILE*) { throw 1; });
  EXPECT_EQ(run.ending, IsolatedRun::Ending::kExited);
  EXPECT_NE(run.exit_code, 0);
}

}  // namespace
}  // namespace varnok::platform
