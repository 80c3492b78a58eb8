// Whether an output stream of the process is a terminal someone is watching.
#pragma once

namespace varnok::platform {

// True when standard error is a terminal, so progress can be drawn on it.
bool StandardErrorIsTerminal();
// True when standard output is a terminal, so a meter can redraw in place.
bool StandardOutputIsTerminal();
// Gives a closed standard stream /dev/null, read-only, so that no file opened
// later takes its place and a write to it fails where it can be seen.
void ReopenClosedStandardStreams();
// True when the file `path` names is what standard output writes to (a path
// such as /dev/stdout, or the device or pipe it is).
bool IsStandardOutput(const char* path);
// Lets bytes written to standard output pass unchanged (no line-end translation).
void SetStandardOutputBinary();

}  // namespace varnok::platform
