#include "host/live/live_engine.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "host/audio/audio_file.h"

namespace varnok::host::live {
namespace {

constexpr std::uint8_t kStatusMask = 0xF0;
constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kNoteOn = 0x90;

}  // namespace

LiveEngine::LiveEngine(JackClient& client, SongRenderer& renderer, int keyboard, float gain)
    : client_(client),
      renderer_(renderer),
      output_(client.AddPort("out", JackClient::PortKind::kAudioOut)),
      gain_(gain) {
  if (keyboard >= 0) {
    keyboard_ = &renderer.MachineAt(static_cast<std::size_t>(keyboard));
    keyboard_port_ = client.AddPort("keyboard", JackClient::PortKind::kMidiIn);
  }
  renderer_.AddAfterTick([this](int tick) { ticks_.Push(tick); });
}

LiveEngine::~LiveEngine() { client_.Deactivate(); }

bool LiveEngine::FramesPlayed(std::uint64_t& frames) const noexcept {
  if (!started_.load(std::memory_order_acquire)) return false;
  frames = frames_played_.load(std::memory_order_acquire);
  return true;
}

int LiveEngine::Process(jack_nframes_t frames, void* data) noexcept {
  static_cast<LiveEngine*>(data)->Process(frames);
  return 0;
}

// Note-on with velocity 0 is a note-off, as MIDI has it; both reach the
// machine as velocity 0. Other messages are not the keyboard's notes.
void LiveEngine::Deliver(const jack_midi_event_t& event) noexcept {
  if (event.size < 3) return;
  const std::uint8_t status = event.buffer[0] & kStatusMask;
  if (status != kNoteOn && status != kNoteOff) return;
  const int note = event.buffer[1] & 0x7F;
  const int velocity = status == kNoteOn ? event.buffer[2] & 0x7F : 0;
  try {
    keyboard_->OnMidiNote(event.buffer[0] & 0x0F, note, velocity);
  } catch (const std::exception& error) {
    renderer_.Fail(error);  // the song ends in this period
  }
}

// Pulls until `frames` are filled or the song is over; silence after it.
std::size_t LiveEngine::PullUntil(float* out, std::size_t frames) noexcept {
  std::size_t done = 0;
  while (done < frames) {
    const std::size_t got = renderer_.Pull(out + done, frames - done);
    if (got == 0) break;
    done += got;
  }
  std::fill(out + done, out + frames, 0.0f);
  return done;
}

// In place: the gain on the host's scale, then the conversion a float render
// writes, which counts what lies beyond full level.
void LiveEngine::ToPortScale(float* out, std::size_t frames) noexcept {
  for (std::size_t i = 0; i < frames; ++i) {
    out[i] *= gain_;
    level_.peak = std::max(level_.peak, std::fabs(out[i]));
  }
  level_.over_full_scale += ToUnitFloat(out, frames, out);
}

void LiveEngine::Process(jack_nframes_t frames) noexcept {
  auto* out = static_cast<float*>(jack_port_get_buffer(output_, frames));
  void* midi = keyboard_port_ != nullptr ? jack_port_get_buffer(keyboard_port_, frames) : nullptr;
  if (!playing_.load(std::memory_order_acquire)) {
    std::fill(out, out + frames, 0.0f);
    return;
  }
  if (finished_.load(std::memory_order_relaxed)) {
    std::fill(out, out + frames, 0.0f);
  } else {
    PlayPeriod(out, midi, frames);
  }
  frames_played_.store(frames_played_.load(std::memory_order_relaxed) + frames, std::memory_order_release);
  started_.store(true, std::memory_order_release);
}

void LiveEngine::PlayPeriod(float* out, void* midi, jack_nframes_t frames) noexcept {
  if (!stopping_ && stop_requested_.load(std::memory_order_acquire)) {
    renderer_.Stop(renderer_.TailTicks());
    stopping_ = true;
  }
  const std::uint32_t events = midi != nullptr ? jack_midi_get_event_count(midi) : 0;
  std::size_t done = 0;
  bool over = false;
  // The period is cut at each event's frame; events arrive in frame order.
  for (std::uint32_t i = 0; i < events && !over; ++i) {
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, midi, i) != 0) continue;
    const std::size_t at = std::min<std::size_t>(event.time, frames);
    if (at > done) {
      const std::size_t got = PullUntil(out + done, at - done);
      over = got < at - done;
      done = at;
    }
    if (over) break;
    renderer_.StartTickIfDue();  // a key at a tick's first frame follows its ApplyTick
    Deliver(event);
  }
  if (!over && done < frames) {
    over = PullUntil(out + done, frames - done) < frames - done;
    done = frames;
  }
  ToPortScale(out, done);
  if (over) {
    std::fill(out + done, out + frames, 0.0f);
    finished_.store(true, std::memory_order_release);
  }
}

}  // namespace varnok::host::live
