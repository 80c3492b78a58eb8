// One voice of the Test Generator: a sine at a level fixed for the whole note,
// the voice the engine (voices/voice_machine.h) pools and mixes.
#pragma once

#include <array>
#include <cstdint>

#include "testgen/testgen_description.h"
#include "voices/voice_machine.h"

namespace varnok::testgen {

class TestGenMachine;

// The owner's level below which a sounding channel counts as free and is ended.
double AvailableLevel(const TestGenMachine& machine) noexcept;
// The owner's samples per second, which its notes are pitched by.
std::int32_t SampleRate(const TestGenMachine& machine) noexcept;

inline constexpr double kSineScale = 32767.0;   // the 16-bit scale
inline constexpr double kPerByte = 0.0078125;  // 1 / 128: a byte of 128 is full scale
// The loudest a note may peak, as a multiple of its level.
inline constexpr double kMostPeakGain = 2.0;
// `midi_note` of a channel that no keyboard note started; keyboard note 0 is a real note.
inline constexpr std::int32_t kNoMidiNote = -1;

class SineChannel final {
 public:
  // Idle, own track's channel, control values from the track parameters' defaults.
  void Init() noexcept;
  // Restarts at phase zero; `velocity` 128 is full level. Indices past the
  // frequency table play its nearest end.
  void StartNote(int note_index, int velocity) noexcept;
  // [audio] Overwrites `count` >= 1 samples of `out` and advances the oscillator.
  void RenderInto(float* out, int count) noexcept;
  // [audio] RenderInto on `N` (1, 2, 4, 8 or 16) channels at once, channel j into
  // outs[j]: the same samples, with the channels' chains overlapping.
  template <int N>
  static void RenderSideBySide(SineChannel* const* channels, float* const* outs, int count) noexcept;
  using RenderScope = voices::NoRenderScope;
  // [audio] Once per tick: ends a sounding channel whose level is below the owner's.
  void EndIfQuiet() noexcept;
  // [audio] Zero level; the channel sounds on, unchanged, until the next EndIfQuiet.
  void Release() noexcept { amplitude = 0.0; }
  // What the allocator compares.
  double Level() const noexcept { return amplitude; }
  // A track's changed control value; this instrument ignores it.
  void ControlChanged(int index, double value) noexcept;
  // "Control1" scales to 0..1 (byte / 128); the others stay raw bytes.
  static double ConvertControl(int index, std::uint8_t byte) noexcept;

  TestGenMachine* machine = nullptr;
  std::uint8_t* track_block = nullptr;   // slots 0-15 only: the track of the same index
  SineChannel* current_channel = this;   // track slots: the slot of the track's latest note
  bool active = false;
  double amplitude = 0.0;                // note level on the 16-bit scale; 0 once released
  std::int32_t midi_note = kNoMidiNote;  // keyboard note this slot last started
  std::array<std::uint8_t, kControlCount> control_bytes{};
  std::array<double, kControlCount> control_values{};
  double rotation_step = 0.0;            // 2 sin(pi f / rate)
  double osc_cos = 0.0;
  double osc_sin = 0.0;                  // the output sample
};

}  // namespace varnok::testgen
