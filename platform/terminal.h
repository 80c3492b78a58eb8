// Whether an output stream of the process is a terminal someone is watching.
#pragma once

namespace varnok::platform {

// True when standard error is a terminal, so progress can be drawn on it.
bool StandardErrorIsTerminal();

}  // namespace varnok::platform
