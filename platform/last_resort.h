// How the host ends when its work cannot: a plug-in stuck in a call that the
// user wants to stop, or one that crashed. An unfinished output file goes
// either way.
#pragma once

namespace varnok::platform {

// [main thread] The file to remove should the process end before its work is
// done (a temporary output), or null for none. While one is set, a crash (a
// bad memory access, an illegal instruction, a division by zero, in a plug-in
// or anywhere) removes it before the process ends as it would have.
void SetFileToRemove(const char* path) noexcept;

// [signal handler, async-signal-safe] Unless the process has ended half a
// second from now, removes that file then and ends the process as `signal`
// would have: the command gets its chance to end cleanly first.
void EndWithin(int signal) noexcept;

}  // namespace varnok::platform
