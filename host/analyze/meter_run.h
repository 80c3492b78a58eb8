// Plays audio through an Analyzer with its window open, tick by tick as a host
// does, and reads the six values off the window.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "framework/description.h"
#include "framework/machine_base.h"
#include "host/analyze/meter_window.h"
#include "host/core/host_error.h"

namespace varnok::host {

// Called after the refresh that follows every `every` ticks of audio.
using MeterReport = std::function<void(const MeterReading&)>;

// The next `frames` samples, fewer only at the end of the audio, where the
// machine may overwrite them until the next pull; `count` gets how many.
using AudioPull = std::function<float*(std::size_t frames, std::size_t& count)>;

// The machine opened no window on its first command: it is no Analyzer.
class NoMeterWindow final : public HostError {
 public:
  NoMeterWindow() : HostError("the machine opened no window on its \"Open...\" command") {}
};

struct MeterEnd {
  MeterReading last;              // the window after the last complete tick
  std::size_t samples = 0;        // all the audio played, a last part of a tick included
  std::size_t partial_tick = 0;   // samples after the last complete tick
};

// `machine` is a fresh Analyzer of `description` whose host_info holds the
// audio's sample rate and tick length. Each tick: no new global values, ApplyTick, the refresh it posts runs to the end,
// then the tick's samples, pulled as they are played, in blocks with the input
// bit set. After the last complete tick one more tick refreshes for it; a last
// part of a tick is measured but refreshed for by no tick, so the window shows
// whole ticks only, as it does while a song plays. Throws NoMeterWindow when the
// machine opens no window, and whatever `pull` throws. [ui] The dialog lives
// on the calling thread.
MeterEnd RunMeter(MachineBase& machine, const MachineDescription& description, const AudioPull& pull,
                  int every, const MeterReport& report);

// The same over audio already in memory.
MeterEnd RunMeter(MachineBase& machine, const MachineDescription& description, const std::vector<float>& samples,
                  int every, const MeterReport& report);

}  // namespace varnok::host
