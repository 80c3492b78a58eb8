// A JACK client of the test's own that hears a player as a sound card would,
// knowing nothing of who plays: its audio input is flagged physical, so a
// player that connects to the system's playback connects to it as well. It
// keeps what it hears from the first sound on and the note-ons of its MIDI
// input, each at its frame: the frames of the periods it has heard, which the
// server's clock may skip when it runs late.
#pragma once

#include <jack/jack.h>

#include <atomic>
#include <cstdint>
#include <vector>

namespace varnok::host::testing {

struct HeardNote {
  std::uint64_t frame;  // the listener's
  int note;
};

class Listener final {
 public:
  // Keeps at most `frames` samples. Throws std::runtime_error without a server.
  explicit Listener(std::size_t frames);
  ~Listener();
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  // Periods heard, silent ones included.
  unsigned long Periods() const { return periods_.load(std::memory_order_acquire); }
  bool Full() const { return filled_.load(std::memory_order_acquire) == samples_.size(); }

  // What was heard so far: on JACK's scale, from the first sound's period on.
  std::vector<float> Heard() const;
  // The frame of Heard()[0].
  std::uint64_t FirstFrame() const { return first_frame_; }
  std::vector<HeardNote> NoteOns() const;

 private:
  static constexpr std::size_t kMostNotes = 256;
  static int Process(jack_nframes_t frames, void* data);
  void Hear(const float* in, jack_nframes_t frames);
  void HearNotes(void* midi);

  jack_client_t* client_ = nullptr;
  jack_port_t* audio_ = nullptr;
  jack_port_t* midi_ = nullptr;
  std::vector<float> samples_;
  std::vector<HeardNote> notes_;
  std::uint64_t clock_ = 0;  // the process callback's own
  std::uint64_t first_frame_ = 0;  // published by filled_
  std::atomic<std::size_t> filled_{0};
  std::atomic<std::size_t> note_count_{0};
  std::atomic<unsigned long> periods_{0};
};

}  // namespace varnok::host::testing
