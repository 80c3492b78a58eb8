#include "host/core/host_services.h"

namespace varnok::host {

StandInHostServices::StandInHostServices() : scratch_(kMaxBlock, 0.0f) {}

const std::int16_t* MACHINE_CALL StandInHostServices::OscillatorTable(int waveform) {
  if (!tables_) {
    using Tables = std::array<host::OscillatorTable, kWaveformCount>;
    tables_ = std::make_unique<Tables>(Tables{BuildOscillatorTable(kSineWaveform), BuildOscillatorTable(kSawWaveform)});
  }
  const bool known = waveform >= 0 && waveform < kWaveformCount;
  return (*tables_)[known ? waveform : kSineWaveform].data();
}

HostInfo MakeHostInfo(int sample_rate, int beats_per_minute, int ticks_per_beat) {
  HostInfo info{};
  info.beats_per_minute = beats_per_minute;
  info.ticks_per_beat = ticks_per_beat;
  info.sample_rate = sample_rate;
  // Seconds per tick = 60 / (bpm * tpb).
  const long long per_minute = static_cast<long long>(sample_rate) * 60;
  const long long ticks_per_minute = static_cast<long long>(beats_per_minute) * ticks_per_beat;
  info.samples_per_tick =
      ticks_per_minute > 0 ? static_cast<int>(per_minute / ticks_per_minute) : 0;
  info.tick_position = 0;
  return info;
}

}  // namespace varnok::host
