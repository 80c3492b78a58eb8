// A Chip machine on a host whose tables the test writes.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "chip/chip_machine.h"
#include "host/core/host_services.h"

namespace varnok::chip {

class FakeHost final : public host::HostServicesBase {
 public:
  FakeHost();

  float* MACHINE_CALL ScratchBuffer() override { return scratch.data(); }
  const std::int16_t* MACHINE_CALL OscillatorTable(int waveform) override {
    return waveform == 1 || one_table ? pulse.data() : plain.data();
  }

  // Pseudo-random samples: any slip of an index or a fraction shows.
  std::array<std::int16_t, 4096> pulse{};
  std::array<std::int16_t, 4096> plain{};
  bool one_table = false;
  std::vector<float> scratch = std::vector<float>(8192, 0.0f);
};

struct ChipRig {
  explicit ChipRig(int sample_rate, int tracks = 1);

  // Writes one tick: a note byte (0 = none) and the three controls (255 = none).
  void Tick(int track, std::uint8_t note, std::uint8_t c1 = 255, std::uint8_t c2 = 255,
            std::uint8_t c3 = 255);
  std::vector<float> Render(int count);

  HostInfo info{};
  FakeHost host;
  ChipMachine machine;
};

// The wave as written down: floor() under fesetround, an unbounded phase.
struct ReferenceVoice {
  explicit ReferenceVoice(const ChipChannel& channel);
  std::vector<float> Render(int count);

  const std::int16_t* samples;
  std::int64_t mask;
  std::int64_t offset;
  double dc;
  double phase;
  double step;
};

}  // namespace varnok::chip
