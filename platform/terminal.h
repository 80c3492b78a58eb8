// Whether an output stream of the process is a terminal someone is watching.
#pragma once

namespace varnok::platform {

// True when standard error is a terminal, so progress can be drawn on it.
bool StandardErrorIsTerminal();
// True when standard output is a terminal, so a meter can redraw in place.
bool StandardOutputIsTerminal();
// Lets bytes written to standard output pass unchanged (no line-end translation).
void SetStandardOutputBinary();

}  // namespace varnok::platform
