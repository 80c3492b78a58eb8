// Plays audio through an Analyzer with its window open, tick by tick as a host
// does, and reads the six values off the window.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "framework/machine_base.h"
#include "host/analyze/meter_window.h"

namespace varnok::host {

// Called after the refresh that follows every `every` ticks of audio.
using MeterReport = std::function<void(const MeterReading&)>;

// Fills `out` with up to `frames` samples, fewer only at the end of the audio.
using AudioPull = std::function<std::size_t(float* out, std::size_t frames)>;

// `machine` is a fresh Analyzer whose host_info holds the audio's sample rate
// and tick length. Each tick: ApplyTick, the refresh it posts runs to the end,
// then the tick's samples, pulled as they are played, in blocks with the input
// bit set. A last tick refreshes for the last audio. Returns what the window
// shows then. Throws HostError when the machine opens no window, and whatever
// `pull` throws. [ui] The dialog lives on the calling thread.
MeterReading RunMeter(MachineBase& machine, const AudioPull& pull, int every, const MeterReport& report);

// The same over audio already in memory.
MeterReading RunMeter(MachineBase& machine, const std::vector<float>& samples, int every,
                      const MeterReport& report);

}  // namespace varnok::host
