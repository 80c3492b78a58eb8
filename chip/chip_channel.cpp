#include "chip/chip_channel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "chip/chip_machine.h"
#include "chip/chip_module.h"
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

void ChipChannel::Init(ChipMachine& machine, const std::uint8_t* track_block) noexcept {
  machine_ = &machine;
  track_block_ = track_block;
  current_channel_ = this;
  active_ = false;
  level_ = 1.0f;
  table_ = HostTable(machine, kPulseWaveform);
  level_samples_ = table_;
}

void ChipChannel::StartNote(const std::uint8_t* track_block) noexcept {
  const std::uint8_t note = track_block[0];
  const int octave = note >> 4;
  const int semitone = note & 15;
  const double step0 =
      SemitoneFrequencies[semitone - 1] * OctaveFactors[octave] * kLevelZeroSamples / sample_rate;
  // A host whose pulse table is its plain one has no shorter levels to offer.
  const bool one_level = HostTable(*machine_, kPlainWaveform) == table_;
  const int level = one_level ? 0 : LevelForStep(step0);

  mip_level_ = level;
  level_samples_ = table_ + LevelFirstSample(level);
  index_mask_ = OscillatorLevelLength(level) - 1;
  step_ = step0 / static_cast<double>(1 << level);
  pulse_offset_ = static_cast<int>(OscillatorLevelLength(level) * pulse_width_);
  dc_offset_ = (0.5 - pulse_width_) * kTableSwing;
  active_ = true;
}

void ChipChannel::SetPulseWidth(std::uint8_t value) noexcept {
  pulse_width_ = value / kFullWidthControl;
  pulse_offset_ = static_cast<int>(OscillatorLevelLength(mip_level_) * pulse_width_);
  dc_offset_ = (0.5 - pulse_width_) * kTableSwing;
}

void ChipChannel::RenderInto(float* out, int count) noexcept {
  const platform::DownwardRounding rounding;
  double phase = phase_;
  const double step = step_;
  const double dc_offset = dc_offset_;
  const std::uint32_t p = static_cast<std::uint32_t>(pulse_offset_);
  const std::uint32_t m = static_cast<std::uint32_t>(index_mask_);
  const std::int16_t* const s = level_samples_;
  for (int n = 0; n < count; ++n) {
    const double shifted = phase + kIntegerShift;
    const std::uint32_t k = LowBits(shifted);
    // floor(phase), exactly: taken back from the sum, it needs no conversion.
    const double f = phase - (shifted - kIntegerShift);
    const int a = s[k & m];
    const int b = s[(k + 1) & m];
    const int c = s[(k + p) & m];
    const int d = s[(k + p + 1) & m];
    // The read at the phase minus the read p samples on: both share f.
    out[n] = static_cast<float>((a - c) + f * ((b - a) - d + c) + dc_offset);
    phase += step;
  }
  phase_ = phase >= kWrapFrom ? phase - kWrapBy : phase;
}

}  // namespace varnok::chip
