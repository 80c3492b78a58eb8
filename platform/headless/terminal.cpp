#include "platform/terminal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace varnok::platform {

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }
bool StandardOutputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }
bool IsStandardOutput(const char* path) {
  struct stat named {};
  struct stat output {};
  return stat(path, &named) == 0 && fstat(STDOUT_FILENO, &output) == 0 && named.st_dev == output.st_dev &&
         named.st_ino == output.st_ino;
}
void ReopenClosedStandardStreams() {
  for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // open() takes the lowest free descriptor: the closed one.
    if (open("/dev/null", O_RDONLY) != fd) _exit(2);
  }
}
void SetStandardOutputBinary() {}  // POSIX streams translate nothing

}  // namespace varnok::platform
