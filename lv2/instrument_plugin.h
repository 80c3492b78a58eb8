// An instrument as an LV2 plug-in: MIDI and the host's time position in, mono
// audio out at LV2's scale, every attribute a control input. `Keys` says how
// the machine takes a keyboard's notes and which track parameters it shows.
#pragma once

#include <cstdint>
#include <cstring>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>

#include "framework/render_signal.h"
#include "lv2/atom_events.h"
#include "lv2/control_ports.h"
#include "lv2/frame_walk.h"
#include "lv2/hosted_machine.h"
#include "lv2/midi_stream.h"
#include "lv2/port_layout.h"
#include "lv2/tick_clock.h"

namespace varnok::lv2 {

// LV2's full level is 1.0, the machines' 32768: an exact power of two.
inline constexpr float kToLv2Scale = 1.0f / kFullLevel;

// [audio] samples[i] *= kToLv2Scale, four at a time: GCC leaves the plain loop
// scalar at -O2, which cost the Test Generator 2 % of its time. The same
// multiply either way, so the same bits.
inline void ScaleToLv2(float* samples, std::uint32_t count) noexcept {
  typedef float Four __attribute__((vector_size(16)));
  constexpr Four kScale = {kToLv2Scale, kToLv2Scale, kToLv2Scale, kToLv2Scale};
  std::uint32_t i = 0;
  for (; i + 4 <= count; i += 4) {
    Four four;
    std::memcpy(&four, samples + i, sizeof four);
    four *= kScale;
    std::memcpy(samples + i, &four, sizeof four);
  }
  for (; i < count; ++i) samples[i] *= kToLv2Scale;
}

template <class Keys>
class InstrumentPlugin final {
 public:
  static constexpr PortLayout kLayout = Keys::kLayout;

  // [ui] Failed() when the host gave no urid:map or the machine could not be made.
  InstrumentPlugin(double sample_rate, const LV2_Feature* const* features)
      : hosted_(Keys::Create, Keys::Description(), sample_rate, Keys::kTracks), keys_(hosted_) {
    mapped_ = uris_.Map(features);
    clock_.Reset(sample_rate);
    sample_rate_ = sample_rate;
  }

  bool Failed() const noexcept { return !mapped_ || hosted_.Failed(); }

  // [audio]
  void Connect(std::uint32_t port, void* data) noexcept {
    if (port >= kLayout.Count()) return;
    const PortSlot slot = kLayout.SlotOf(port);
    switch (slot.role) {
      case PortRole::kEvents:
        events_ = static_cast<const LV2_Atom_Sequence*>(data);
        break;
      case PortRole::kAudioOut:
        out_ = static_cast<float*>(data);
        break;
      case PortRole::kAttribute:
        attributes_.Connect(slot.item, static_cast<const float*>(data));
        break;
      case PortRole::kTrackControl:
        keys_.ConnectControl(slot.item, static_cast<const float*>(data));
        break;
      default:
        break;
    }
  }

  // [ui] The first frame after starts a tick; no note sounds on from before.
  void Activate() noexcept {
    keys_.Silence();
    midi_.Reset();
    clock_.Reset(sample_rate_);
    started_ = false;
  }

  // [audio] The attributes the host set before the first frame hold from it,
  // as a song's attributes do before its first note; later changes take effect
  // at the next tick.
  void Run(std::uint32_t frames) noexcept {
    if (out_ == nullptr) return;
    if (!started_) attributes_.Apply(hosted_);
    started_ = true;
    WalkFrames(*this, clock_, hosted_.Info(), events_, uris_, midi_, frames);
  }

  // Steps of WalkFrames.
  void OnMidi(const MidiMessage& message) noexcept { keys_.OnMidi(message); }
  void OnTick() noexcept {
    attributes_.Apply(hosted_);
    keys_.Tick();
  }
  void Play(std::uint32_t offset, std::uint32_t count) noexcept {
    float* out = out_ + offset;
    if (!hosted_.Render(out, count, 0)) {
      for (std::uint32_t i = 0; i < count; ++i) out[i] = 0.0f;
      return;
    }
    ScaleToLv2(out, count);
  }

 private:
  HostedMachine hosted_;
  Keys keys_;
  EventUris uris_;
  bool mapped_ = false;
  double sample_rate_ = 0.0;
  bool started_ = false;  // run() since the last Activate
  TickClock clock_;
  MidiStream midi_;
  AttributePorts attributes_;
  const LV2_Atom_Sequence* events_ = nullptr;
  float* out_ = nullptr;
};

}  // namespace varnok::lv2
