// Objects the host owns and lends to a machine. Machines never free them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/abi.h"

namespace varnok {

// Host timing record. Owned by the host, valid for the machine's whole life;
// the host keeps it current. Machines read only `sample_rate` and `samples_per_tick`.
struct HostInfo {
  std::int32_t beats_per_minute;
  std::int32_t ticks_per_beat;
  std::int32_t sample_rate;       // samples per second
  std::int32_t samples_per_tick;  // samples in one tick of the song
  std::int32_t tick_position;     // samples of the current tick already rendered
};

static_assert(sizeof(HostInfo) == 20 && offsetof(HostInfo, sample_rate) == 8 &&
                  offsetof(HostInfo, samples_per_tick) == 12,
              "machines read HostInfo's third and fourth 32-bit fields");

// Host service table, called by position. Owned by the host, valid for the
// machine's whole life. Slots 1-7 and 9-13 are the host's own business: no
// machine calls them, and a host may answer them with nothing.
class HostServices {
 public:
  virtual void MACHINE_CALL Reserved1() = 0;
  virtual void MACHINE_CALL Reserved2() = 0;
  virtual void MACHINE_CALL Reserved3() = 0;
  virtual void MACHINE_CALL Reserved4() = 0;
  virtual void MACHINE_CALL Reserved5() = 0;
  virtual void MACHINE_CALL Reserved6() = 0;
  virtual void MACHINE_CALL Reserved7() = 0;
  // [audio] during Render.
  // A host buffer of at least the current block's length. Owned by the host;
  // valid until the current Render returns.
  virtual float* MACHINE_CALL ScratchBuffer() = 0;
  virtual void MACHINE_CALL Reserved9() = 0;
  virtual void MACHINE_CALL Reserved10() = 0;
  virtual void MACHINE_CALL Reserved11() = 0;
  virtual void MACHINE_CALL Reserved12() = 0;
  virtual void MACHINE_CALL Reserved13() = 0;
  // [any] after Initialize has begun.
  // Single-cycle 16-bit table of `waveform`, levels of falling length: level L
  // holds 2048 >> L samples from index 4096 - (4096 >> L). Owned by the host,
  // valid while the host lives; equal waveforms may share one address.
  virtual const std::int16_t* MACHINE_CALL OscillatorTable(int waveform) = 0;

 protected:
  ~HostServices() = default;
};

// A machine's stored state, lent during Initialize only.
class StateInput {
 public:
  // [ui] during Initialize.
  // Fills `buffer` (the machine's, `size` bytes) with the next `size` stored
  // bytes. Past the end of the data it gives no sign: what lands in the rest
  // of `buffer` is the host's choice (ours writes zeros), so a reader stops by
  // its own end marker or byte count.
  virtual void MACHINE_CALL Read(void* buffer, int size) = 0;

 protected:
  ~StateInput() = default;
};

// Where a machine's state goes, lent during SaveState only.
class StateOutput {
 public:
  // [ui] during SaveState.
  // Appends `size` bytes from `buffer` (the machine's; copied before the call
  // returns) to the stored state.
  virtual void MACHINE_CALL Write(const void* buffer, int size) = 0;

 protected:
  ~StateOutput() = default;
};

}  // namespace varnok
