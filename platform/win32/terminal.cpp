#include "platform/terminal.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

namespace varnok::platform {

bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

bool StandardOutputIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

// Windows has no path for standard output ("-" names it).
bool IsStandardOutput(const char*) { return false; }

// The system gives every process its three handles.
void ReopenClosedStandardStreams() {}

void SetStandardOutputBinary() { _setmode(_fileno(stdout), _O_BINARY); }

}  // namespace varnok::platform
