// JACK clients of a test's own around a LiveEngine: one records its output,
// one plays notes into its keyboard port, both in frames from the song's start.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "host/live/jack_client.h"
#include "host/live/live_engine.h"

namespace varnok::host::testing {

// Keeps the first `frames` samples the engine plays, from its first.
class Recorder final {
 public:
  Recorder(const live::LiveEngine& engine, std::size_t frames);
  void Start();  // activates and connects to the engine
  bool Full() const { return filled_.load(std::memory_order_acquire) >= samples_.size(); }
  // Periods this client has run; a new connection counts from some period on.
  unsigned long Periods() const { return periods_.load(std::memory_order_acquire); }
  // Periods of the song that reached this client out of turn or not at all.
  unsigned long Gaps() const { return gaps_.load(std::memory_order_acquire); }
  const std::vector<float>& Samples() const { return samples_; }

 private:
  static int Process(jack_nframes_t frames, void* data);

  const live::LiveEngine& engine_;
  live::JackClient client_{"recorder"};
  jack_port_t* input_;
  std::vector<float> samples_;
  std::atomic<std::size_t> filled_{0};
  std::atomic<unsigned long> periods_{0};
  std::atomic<unsigned long> gaps_{0};
};

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
