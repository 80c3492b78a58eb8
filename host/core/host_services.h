// The stand-in host's service table and timing record, shared by every machine
// the host runs.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "framework/host_objects.h"
#include "host/core/oscillator_tables.h"

namespace varnok::host {

inline constexpr int kMaxBlock = 8192;  // the largest block the host renders

// The slots no machine calls, answered with nothing; a host (or a test's host)
// supplies the two that machines use.
class HostServicesBase : public HostServices {
 public:
  void MACHINE_CALL Reserved1() override {}
  void MACHINE_CALL Reserved2() override {}
  void MACHINE_CALL Reserved3() override {}
  void MACHINE_CALL Reserved4() override {}
  void MACHINE_CALL Reserved5() override {}
  void MACHINE_CALL Reserved6() override {}
  void MACHINE_CALL Reserved7() override {}
  void MACHINE_CALL Reserved9() override {}
  void MACHINE_CALL Reserved10() override {}
  void MACHINE_CALL Reserved11() override {}
  void MACHINE_CALL Reserved12() override {}
  void MACHINE_CALL Reserved13() override {}

 protected:
  ~HostServicesBase() = default;
};

class StandInHostServices final : public HostServicesBase {
 public:
  StandInHostServices();

  float* MACHINE_CALL ScratchBuffer() override { return scratch_.data(); }
  // Unknown waveforms get the sine table, as a host would rather than crash.
  // The tables take a millisecond to build, so they are built for the first
  // machine that asks, all at once: a machine that plays them asks while it
  // initializes (the Chip does), never first on its audio path.
  const std::int16_t* MACHINE_CALL OscillatorTable(int waveform) override;

 private:
  std::vector<float> scratch_;
  std::unique_ptr<std::array<host::OscillatorTable, kWaveformCount>> tables_;
};

// Timing values for a tempo, kept in the layout machines read.
HostInfo MakeHostInfo(int sample_rate, int beats_per_minute, int ticks_per_beat);

}  // namespace varnok::host
