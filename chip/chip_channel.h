// One pulse voice of the Chip, and the record of the track of the same index:
// the voice the engine (voices/voice_machine.h) pools and mixes.
#pragma once

#include <array>
#include <cstdint>

#include "framework/oscillator_table_layout.h"
#include "platform/rounding.h"

namespace varnok::chip {

class ChipMachine;

// Semitones 1..12 of the note byte, in Hz: the octave whose tenth semitone is
// 220 Hz, to four decimals. Used as they stand, never recomputed.
inline constexpr std::array<double, 12> kSemitoneFrequencies = {
    130.8127, 138.5913, 146.8324, 155.5635, 164.8138, 174.6141,
    184.9972, 195.9977, 207.6523, 220.0,    233.0819, 246.9417};
// Octaves 0..9 of the note byte: 2^(octave - 4).
inline constexpr std::array<double, 10> kOctaveFactors = {0.0625, 0.125, 0.25, 0.5, 1,
                                                          2,      4,     8,    16,  32};

// The host's table of the pulse's two reads, and the one whose address tells
// that the host has no distinct mip levels.
inline constexpr int kPulseWaveform = 1;
inline constexpr int kPlainWaveform = 0;

inline constexpr int kLevelZeroSamples = OscillatorLevelLength(0);
// Level 11 is one sample long: both reads meet and only the constant is left.
inline constexpr int kHighestLevel = 11;
// The control byte that stands for a pulse width of 1.
inline constexpr double kFullWidthControl = 128.0;
// The table swings by 65536 per cycle; the constant re-centres the pulse.
inline constexpr double kTableSwing = 65536.0;

// Table level for a note advancing `step0` samples of level 0 per output sample.
int LevelForStep(double step0) noexcept;
// First sample of level L within the host's table.
int LevelFirstSample(int level) noexcept;

class ChipChannel final {
 public:
  ChipChannel() = default;
  // Records point at each other within their pool.
  ChipChannel(const ChipChannel&) = delete;
  ChipChannel& operator=(const ChipChannel&) = delete;

  // Joins the record to its machine and track, and readies it as a silent voice
  // that reads the host's pulse table.
  void Init(ChipMachine& owner, const std::uint8_t* own_track_block) noexcept;

  // [audio] Starts the note in the first byte of `note_block` (a real note,
  // never 0 or 255); the phase runs on from the previous note.
  void StartNote(const std::uint8_t* note_block) noexcept;
  // [audio] Control byte 0..128; takes effect from the next block.
  void SetPulseWidth(std::uint8_t value) noexcept;
  // [audio] Stops the note: silent from the next block; everything else stays.
  void Release() noexcept { active = false; }
  // What the allocator compares.
  double Level() const noexcept { return level; }
  // [audio] Replaces `count` (>= 1) samples of `out` with the wave.
  void RenderInto(float* out, int count) noexcept;
  // [audio] RenderInto on `N` (1, 2, 4, 8 or 16) channels at once, channel j into
  // outs[j], under the RenderScope that the caller holds for the whole block:
  // the same samples, one switch of the rounding for all the channels.
  template <int N>
  static void RenderSideBySide(ChipChannel* const* channels, float* const* outs, int count) noexcept;
  using RenderScope = platform::DownwardRounding;

  ChipMachine* machine = nullptr;
  const std::uint8_t* track_block = nullptr;  // track role: this record's track
  ChipChannel* current_channel = this;        // track role: the channel of its latest note
  bool active = false;
  float level = 1.0f;                         // what allocation compares; never changed
  const std::int16_t* table = nullptr;        // the host's pulse table
  // Level 0 until the first note sets them, so nothing here is ever undefined.
  int mip_level = 0;
  const std::int16_t* level_samples = nullptr;
  int index_mask = kLevelZeroSamples - 1;
  double phase = 0.0;
  double step = 0.0;
  double pulse_width = 0.5;
  int pulse_offset = 0;
  double dc_offset = 0.0;
};

}  // namespace varnok::chip
