#include "listener.h"

#include <jack/midiport.h>

#include <algorithm>
#include <stdexcept>

namespace varnok::host::testing {
namespace {

constexpr jack_midi_data_t kNoteOn = 0x90;

bool IsNoteOn(const jack_midi_event_t& event) {
  return event.size >= 3 && (event.buffer[0] & 0xF0) == kNoteOn && event.buffer[2] != 0;
}

}  // namespace

Listener::Listener(std::size_t frames) : samples_(frames, 0.0f), notes_(kMostNotes) {
  client_ = jack_client_open("listener", JackNoStartServer, nullptr);
  if (client_ == nullptr) throw std::runtime_error("no JACK server for the listener");
  audio_ = jack_port_register(client_, "in", JACK_DEFAULT_AUDIO_TYPE,
                              JackPortIsInput | JackPortIsPhysical | JackPortIsTerminal, 0);
  midi_ = jack_port_register(client_, "notes", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  if (audio_ == nullptr || midi_ == nullptr || jack_set_process_callback(client_, &Listener::Process, this) != 0 ||
      jack_activate(client_) != 0) {
    jack_client_close(client_);
    throw std::runtime_error("the listener's ports were refused");
  }
}

Listener::~Listener() { jack_client_close(client_); }

std::vector<float> Listener::Heard() const {
  return {samples_.begin(), samples_.begin() + static_cast<long>(filled_.load(std::memory_order_acquire))};
}

std::vector<HeardNote> Listener::NoteOns() const {
  return {notes_.begin(), notes_.begin() + static_cast<long>(note_count_.load(std::memory_order_acquire))};
}

int Listener::Process(jack_nframes_t frames, void* data) {
  auto& self = *static_cast<Listener*>(data);
  self.HearNotes(jack_port_get_buffer(self.midi_, frames));
  self.Hear(static_cast<const float*>(jack_port_get_buffer(self.audio_, frames)), frames);
  self.clock_ += frames;
  self.periods_.fetch_add(1, std::memory_order_release);
  return 0;
}

void Listener::Hear(const float* in, jack_nframes_t frames) {
  const std::size_t filled = filled_.load(std::memory_order_relaxed);
  if (filled == samples_.size()) return;
  if (filled == 0) {
    if (std::all_of(in, in + frames, [](float x) { return x == 0.0f; })) return;
    first_frame_ = clock_;
  }
  const std::size_t count = std::min<std::size_t>(frames, samples_.size() - filled);
  std::copy(in, in + count, samples_.data() + filled);
  filled_.store(filled + count, std::memory_order_release);
}

void Listener::HearNotes(void* midi) {
  const std::uint32_t events = jack_midi_get_event_count(midi);
  std::size_t count = note_count_.load(std::memory_order_relaxed);
  for (std::uint32_t i = 0; i < events && count < notes_.size(); ++i) {
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, midi, i) != 0 || !IsNoteOn(event)) continue;
    notes_[count++] = {clock_ + event.time, event.buffer[1] & 0x7F};
  }
  note_count_.store(count, std::memory_order_release);
}

}  // namespace varnok::host::testing
