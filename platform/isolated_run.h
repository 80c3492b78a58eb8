// Running a piece of work in a separate process, so that a crash or a hang in
// it is observed rather than suffered.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace varnok::platform {

struct IsolatedTask {
  // POSIX: run in a forked copy of this process; writes its report to the stream.
  std::function<void(std::FILE* report)> body;
  // Windows: this executable is started again with these arguments and writes
  // the same report to its standard output.
  std::vector<std::string> arguments;
};

struct IsolatedRun {
  enum class Ending { kExited, kCrashed, kTimedOut, kNotStarted };
  Ending ending = Ending::kNotStarted;
  int exit_code = 0;
  std::string reason;  // the signal or exception that ended it, or why it did not start
  std::string report;  // everything the task wrote to its report stream
};

// Waits at most `timeout_seconds`, then kills the task.
IsolatedRun RunIsolated(const IsolatedTask& task, double timeout_seconds);

}  // namespace varnok::platform
