// Counts heap operations and lock acquisitions made by this process while armed,
// to prove that a machine's audio path does neither.
#pragma once

namespace varnok::platform {

// Heap operations and locks, as this probe counts them or as a runtime of a
// plug-in's own counts them (an emulated one).
struct AudioPathCounts {
  unsigned long heap_operations = 0;  // malloc-family calls, operator new/delete included
  unsigned long locks = 0;            // mutex acquisitions
};

// False where the counting hooks cannot be installed (sanitizer builds, which
// intercept the same functions, and Windows, where a plug-in carries its own heap).
bool AudioPathProbeAvailable();

// Arm before an audio-path call and disarm right after, on the thread that
// makes it: only that thread's calls are counted.
void ArmAudioPathProbe();
AudioPathCounts DisarmAudioPathProbe();

}  // namespace varnok::platform
