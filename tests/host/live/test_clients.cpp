#include "test_clients.h"

#include <jack/midiport.h>

namespace varnok::host::testing {
namespace {

// Port buffers pass between this process's clients through the server's own
// hand-over in shared memory, which ThreadSanitizer cannot see.
__attribute__((no_sanitize("thread"))) bool WriteNote(void* port, jack_nframes_t frame, const TimedNote& note) {
  jack_midi_data_t* bytes = jack_midi_event_reserve(port, frame, 3);
  if (bytes == nullptr) return false;
  bytes[0] = note.status;
  bytes[1] = note.note;
  bytes[2] = note.velocity;
  return true;
}

}  // namespace

NoteSender::NoteSender(const live::LiveEngine& engine, std::vector<TimedNote> notes)
    : engine_(engine), output_(client_.AddPort("out", live::JackClient::PortKind::kMidiOut)), notes_(std::move(notes)) {}

void NoteSender::Start() {
  client_.Activate(&NoteSender::Process, this);
  client_.Connect(output_, jack_port_name(engine_.Keyboard()));
}

int NoteSender::Process(jack_nframes_t frames, void* data) {
  auto& self = *static_cast<NoteSender*>(data);
  void* buffer = jack_port_get_buffer(self.output_, frames);
  jack_midi_clear_buffer(buffer);
  // This client runs before the engine: the count is of the periods before this one.
  std::uint64_t now = 0;
  if (!self.engine_.FramesPlayed(now)) return 0;
  std::size_t next = self.sent_.load(std::memory_order_relaxed) + self.missed_.load(std::memory_order_relaxed);
  for (; next < self.notes_.size() && self.notes_[next].frame < now + frames; ++next) {
    const TimedNote& note = self.notes_[next];
    if (note.frame < now || !WriteNote(buffer, note.frame - now, note)) {
      self.missed_.fetch_add(1, std::memory_order_release);
    } else {
      self.sent_.fetch_add(1, std::memory_order_release);
    }
  }
  return 0;
}

}  // namespace varnok::host::testing
