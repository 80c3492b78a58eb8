#include "platform/isolated_run.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

extern char** environ;

namespace varnok::platform {
namespace {

double Now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
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

std::string ThisProgram() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

IsolatedRun RunIsolated(const IsolatedTask& task, double timeout_seconds) {
  IsolatedRun run;
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) {
    run.reason = std::strerror(errno);
    return run;
  }
  // The child's standard output is the pipe; everything else stays this
  // process's, and no other descriptor of ours reaches it.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(task.program.c_str()));
  for (const std::string& argument : task.arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::fflush(stdout);
  std::fflush(stderr);
  pid_t child = 0;
  const int error = posix_spawn(&child, task.program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    run.reason = "cannot start " + task.program + ": " + std::strerror(error);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    return run;
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
