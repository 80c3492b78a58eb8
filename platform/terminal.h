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
// Lets bytes written to standard output pass unchanged (no line-end translation).
void SetStandardOutputBinary();

}  // namespace varnok::platform
