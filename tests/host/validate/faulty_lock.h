// The lock the faulty machine takes on its audio path when asked to: one the
// audio-path probe counts wherever it runs (a mutex on POSIX systems, a
// critical section on Windows).
#pragma once

void TakeAndReleaseLock();
