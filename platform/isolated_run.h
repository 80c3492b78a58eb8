// Running a program in a process of its own, so that a crash or a hang in it is
// observed rather than suffered.
#pragma once

#include <string>
#include <vector>

namespace varnok::platform {

struct IsolatedTask {
  std::string program;  // the executable's file
  std::vector<std::string> arguments;  // after the program's name; it reports on standard output
};

struct IsolatedRun {
  enum class Ending { kExited, kCrashed, kTimedOut, kNotStarted };
  Ending ending = Ending::kNotStarted;
  int exit_code = 0;
  std::string reason;  // the signal or exception that ended it, or why it did not start
  std::string report;  // everything the task wrote to its standard output
};

// This program's own file, for a task that starts it again; empty when the
// system cannot say.
std::string ThisProgram();

// Waits at most `timeout_seconds`, then kills the task.
IsolatedRun RunIsolated(const IsolatedTask& task, double timeout_seconds);

}  // namespace varnok::platform
