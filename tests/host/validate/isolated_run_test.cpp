#include <gtest/gtest.h>

#include <string>

#include "platform/isolated_run.h"

namespace varnok::platform {
namespace {

struct Ended {
  const char* what;
  IsolatedTask task;
  IsolatedRun::Ending ending;
  int exit_code;
  const char* report;
};

// Any program, its standard output the report, however it ends.
TEST(IsolatedRun, HandsBackTheReportAndHowTheProgramEnded) {
  using Ending = IsolatedRun::Ending;
  const Ended cases[] = {
      {"a report and the exit code", {"/bin/sh", {"-c", "printf 'hello\\nworld\\n'; exit 3"}},
       Ending::kExited, 3, "hello\nworld\n"},
      {"a crash, and what was reported before it", {"/bin/sh", {"-c", "echo at step 2; kill -SEGV $$"}},
       Ending::kCrashed, 0, "at step 2\n"},
      {"a hang, killed at the timeout", {"/bin/sh", {"-c", "echo waiting; exec sleep 30"}},
       Ending::kTimedOut, 0, "waiting\n"},
      {"a program that is not there", {"/nowhere/program", {}}, Ending::kNotStarted, 0, ""},
  };
  for (const Ended& c : cases) {
    const IsolatedRun run = RunIsolated(c.task, 0.5);
    EXPECT_EQ(run.ending, c.ending) << c.what;
    EXPECT_EQ(run.exit_code, c.exit_code) << c.what;
    EXPECT_EQ(run.report, c.report) << c.what;
    if (c.ending == Ending::kCrashed || c.ending == Ending::kNotStarted) {
      EXPECT_FALSE(run.reason.empty()) << c.what;
    }
  }
  EXPECT_NE(ThisProgram().find("validate_tests"), std::string::npos) << ThisProgram();
}

}  // namespace
}  // namespace varnok::platform
