#include "child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace varnok::lv2::testing {

Finished RunToEnd(const std::string& command) {
  setenv("LV2_PATH", VARNOK_LV2_DIR, 1);
  Finished finished{-1, ""};
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return finished;
  char buffer[4096];
  while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) finished.output.append(buffer, got);
  const int status = pclose(pipe);
  if (WIFEXITED(status)) finished.exit_code = WEXITSTATUS(status);
  return finished;
}

Background::Background(const std::vector<std::string>& arguments) {
  setenv("LV2_PATH", VARNOK_LV2_DIR, 1);
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);  // a test that crashes takes its judges with it
    dup2(pipe_ends[0], STDIN_FILENO);
    close(pipe_ends[1]);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(pipe_ends[0]);
  input_ = pipe_ends[1];
}

Background::~Background() {
  if (input_ >= 0) close(input_);
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

}  // namespace varnok::lv2::testing
