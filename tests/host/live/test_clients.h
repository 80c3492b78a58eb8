// A JACK client of a test's own that plays notes into a LiveEngine's keyboard
// port, in frames from the song's start.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "host/live/jack_client.h"
#include "host/live/live_engine.h"

namespace varnok::host::testing {

struct TimedNote {
  jack_nframes_t frame;  // after the song's first sample
  std::uint8_t status, note, velocity;
};

// Sends each note at its frame; notes must lie a period or more after the start.
class NoteSender final {
 public:
  NoteSender(const live::LiveEngine& engine, std::vector<TimedNote> notes);
  void Start();  // activates and connects to the engine
  std::size_t Sent() const { return sent_.load(std::memory_order_acquire); }
  std::size_t Missed() const { return missed_.load(std::memory_order_acquire); }

 private:
  static int Process(jack_nframes_t frames, void* data);

  const live::LiveEngine& engine_;
  live::JackClient client_{"keyboard"};
  jack_port_t* output_;
  std::vector<TimedNote> notes_;
  std::atomic<std::size_t> sent_{0};
  std::atomic<std::size_t> missed_{0};
};

}  // namespace varnok::host::testing
