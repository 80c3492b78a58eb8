#include "platform/terminal.h"

#include <unistd.h>

namespace varnok::platform {

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }
bool StandardOutputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }
void SetStandardOutputBinary() {}  // POSIX streams translate nothing

}  // namespace varnok::platform
