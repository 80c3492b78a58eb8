// The helper process of the test that stops an emulated call from another
// thread: a stop holds for the rest of a process, so it needs one of its own.
#pragma once

namespace varnok::host {

inline constexpr const char* kStopProbe = "--stop-probe";
// Starts a call that never returns, stops it from another thread, and prints
// what the call failed with.
int StopProbe();

}  // namespace varnok::host
