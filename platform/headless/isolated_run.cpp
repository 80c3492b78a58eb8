#include "platform/isolated_run.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace varnok::platform {
namespace {

double Now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

[[noreturn]] void RunChild(const IsolatedTask& task, int report_fd) {
  std::FILE* report = fdopen(report_fd, "w");
  if (report == nullptr) _exit(125);
  try {
    task.body(report);
  } catch (...) {
    std::fflush(report);
    _exit(124);
  }
  std::fflush(report);
  // Skip exit handlers and static destructors that belong to the parent.
  _exit(0);
}

// Reads what the child reports until it closes the pipe or the time is up.
bool ReadReport(int fd, double deadline, std::string& report) {
  char chunk[4096];
  for (;;) {
    const double left = deadline - Now();
    if (left <= 0) return false;
    pollfd waiting{fd, POLLIN, 0};
    const int ready = poll(&waiting, 1, static_cast<int>(left * 1000) + 1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return true;
    report.append(chunk, static_cast<std::size_t>(got));
  }
}

}  // namespace

IsolatedRun RunIsolated(const IsolatedTask& task, double timeout_seconds) {
  IsolatedRun run;
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) {
    run.reason = std::strerror(errno);
    return run;
  }
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t child = fork();
  if (child < 0) {
    run.reason = std::strerror(errno);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    return run;
  }
  if (child == 0) {
    close(pipe_fds[0]);
    RunChild(task, pipe_fds[1]);
  }
  close(pipe_fds[1]);
  const bool finished = ReadReport(pipe_fds[0], Now() + timeout_seconds, run.report);
  close(pipe_fds[0]);
  if (!finished) kill(child, SIGKILL);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!finished) {
    run.ending = IsolatedRun::Ending::kTimedOut;
  } else if (WIFSIGNALED(status)) {
    run.ending = IsolatedRun::Ending::kCrashed;
    run.reason = strsignal(WTERMSIG(status));
  } else {
    run.ending = IsolatedRun::Ending::kExited;
    run.exit_code = WEXITSTATUS(status);
  }
  return run;
}

}  // namespace varnok::platform
