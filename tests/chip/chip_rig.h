// A Chip machine on a host whose tables the test writes.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "chip/chip_machine.h"
#include "framework/host_objects.h"

namespace varnok::chip {

class FakeHost final : public HostServices {
 public:
  FakeHost();

  void MACHINE_CALL Reserved1() override {}
  void MACHINE_CALL Reserved2() override {}
  void MACHINE_CALL Reserved3() override {}
  void MACHINE_CALL Reserved4() override {}
  void MACHINE_CALL Reserved5() override {}
  void MACHINE_CALL Reserved6() override {}
  void MACHINE_CALL Reserved7() override {}
  float* MACHINE_CALL ScratchBuffer() override { return scratch.data(); }
  void MACHINE_CALL Reserved9() override {}
  void MACHINE_CALL Reserved10() override {}
  void MACHINE_CALL Reserved11() override {}
  void MACHINE_CALL Reserved12() override {}
  void MACHINE_CALL Reserved13() override {}
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
