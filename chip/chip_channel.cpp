#include "chip/chip_channel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "chip/chip_machine.h"
#include "platform/rounding.h"

namespace varnok::chip {
namespace {

// Added under downward rounding, it leaves floor(phase) in the low 32 bits of
// the sum's mantissa, without a conversion call.
constexpr double kIntegerShift = 6755399441055744.0;  // 1.5 * 2^52

// The integer part must fit 32 bits. Once the phase reaches 1.5 * 2^30 the
// block end takes 2^29 off it: a multiple of every level's length, subtracted
// exactly, and the phase stays within [2^30, 2^31) where sums round on the same
// grid as before. No output sample changes.
constexpr double kWrapFrom = 1610612736.0;  // 1.5 * 2^30
constexpr double kWrapBy = 536870912.0;     // 2^29

inline std::uint32_t LowBits(double shifted) noexcept {
  std::uint64_t bits;
  std::memcpy(&bits, &shifted, sizeof bits);
  return static_cast<std::uint32_t>(bits);
}

const std::int16_t* HostTable(const ChipMachine& machine, int waveform) noexcept {
  return machine.host_services->OscillatorTable(waveform);
}

}  // namespace

int LevelForStep(double step0) noexcept {
  if (step0 < 0.5) return 0;
  // Exactly 0.5 would give -1; a note above the sample rate would need a level
  // beyond the last one. log runs on the x87 unit in the DLL.
  const platform::FullPrecision precision;
  const double level = std::ceil(std::log(step0) / std::log(2.0));
  return static_cast<int>(std::clamp(level, 0.0, static_cast<double>(kHighestLevel)));
}

// Level 11 has no room of its own and shares level 10's first sample.
int LevelFirstSample(int level) noexcept {
  return OscillatorLevelStart(std::min(level, kOscillatorTableLevels - 1));
}

void ChipChannel::Init(ChipMachine& owner, const std::uint8_t* own_track_block) noexcept {
  machine = &owner;
  track_block = own_track_block;
  current_channel = this;
  active = false;
  level = 1.0f;
  table = HostTable(owner, kPulseWaveform);
  level_samples = table;
}

void ChipChannel::StartNote(const std::uint8_t* note_block) noexcept {
  const std::uint8_t note = note_block[0];
  const int octave = note >> 4;
  const int semitone = note & 15;
  const double step0 = kSemitoneFrequencies[semitone - 1] * kOctaveFactors[octave] *
                       kLevelZeroSamples / machine->sample_rate;
  // A host whose pulse table is its plain one has no shorter levels to offer.
  const bool one_level = HostTable(*machine, kPlainWaveform) == table;
  mip_level = one_level ? 0 : LevelForStep(step0);
  level_samples = table + LevelFirstSample(mip_level);
  index_mask = OscillatorLevelLength(mip_level) - 1;
  step = step0 / static_cast<double>(1 << mip_level);
  pulse_offset = static_cast<int>(OscillatorLevelLength(mip_level) * pulse_width);
  dc_offset = (0.5 - pulse_width) * kTableSwing;
  active = true;
}

void ChipChannel::SetPulseWidth(std::uint8_t value) noexcept {
  pulse_width = value / kFullWidthControl;
  pulse_offset = static_cast<int>(OscillatorLevelLength(mip_level) * pulse_width);
  dc_offset = (0.5 - pulse_width) * kTableSwing;
}

void ChipChannel::RenderInto(float* out, int count) noexcept {
  const RenderScope rounding;
  ChipChannel* const self = this;
  RenderSideBySide<1>(&self, &out, count);
}

template <int N>
void ChipChannel::RenderSideBySide(ChipChannel* const* channels, float* const* outs,
                                   int count) noexcept {
  // Each channel's table pointer, mask and offset take integer registers: four
  // channels fill x86-64's, two the 32-bit machine's.
  constexpr int kMost = sizeof(void*) == 8 ? 4 : 2;
  if constexpr (N > kMost) {
    RenderSideBySide<kMost>(channels, outs, count);
    RenderSideBySide<N - kMost>(channels + kMost, outs + kMost, count);
  } else {
    double phase[N], step[N], dc_offset[N];
    std::uint32_t p[N], m[N];
    const std::int16_t* s[N];
    for (int v = 0; v < N; ++v) {
      const ChipChannel& channel = *channels[v];
      phase[v] = channel.phase;
      step[v] = channel.step;
      dc_offset[v] = channel.dc_offset;
      p[v] = static_cast<std::uint32_t>(channel.pulse_offset);
      m[v] = static_cast<std::uint32_t>(channel.index_mask);
      s[v] = channel.level_samples;
    }
    for (int n = 0; n < count; ++n) {
#pragma GCC unroll 4
      for (int v = 0; v < N; ++v) {
        const double shifted = phase[v] + kIntegerShift;
        const std::uint32_t k = LowBits(shifted);
        // floor(phase), exactly: taken back from the sum, it needs no conversion.
        const double f = phase[v] - (shifted - kIntegerShift);
        const int a = s[v][k & m[v]];
        const int b = s[v][(k + 1) & m[v]];
        const int c = s[v][(k + p[v]) & m[v]];
        const int d = s[v][(k + p[v] + 1) & m[v]];
        // The read at the phase minus the read p samples on: both share f.
        outs[v][n] = static_cast<float>((a - c) + f * ((b - a) - d + c) + dc_offset[v]);
        phase[v] += step[v];
      }
    }
    for (int v = 0; v < N; ++v) {
      channels[v]->phase = phase[v] >= kWrapFrom ? phase[v] - kWrapBy : phase[v];
    }
  }
}

template void ChipChannel::RenderSideBySide<1>(ChipChannel* const*, float* const*, int) noexcept;
template void ChipChannel::RenderSideBySide<2>(ChipChannel* const*, float* const*, int) noexcept;
template void ChipChannel::RenderSideBySide<4>(ChipChannel* const*, float* const*, int) noexcept;
template void ChipChannel::RenderSideBySide<8>(ChipChannel* const*, float* const*, int) noexcept;
template void ChipChannel::RenderSideBySide<16>(ChipChannel* const*, float* const*, int) noexcept;

}  // namespace varnok::chip
