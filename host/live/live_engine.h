// The audio side of playing live: the JACK process callback runs the song's
// ticks and blocks as a render does, with keyboard notes from a MIDI port cut
// in at the frame they arrived, and hands the port the samples a float render
// writes: JACK's full scale is 1.
#pragma once

#include <atomic>
#include <cstdint>

#include <jack/jack.h>
#include <jack/midiport.h>

#include "host/live/jack_client.h"
#include "host/live/single_producer_queue.h"
#include "host/render/song_renderer.h"

namespace varnok::host::live {

// Ticks started, told to the user-interface side: a second of the shortest
// ticks a song may have (about a thousand), where the other side drains it
// every few milliseconds. A full queue drops the report, never the refresh
// messages, which wait in the windows' own queue.
inline constexpr std::size_t kTickQueueCapacity = 1024;
using TickQueue = SingleProducerQueue<int, kTickQueueCapacity>;

// What the port carried, on the host's scale (full level 32768).
struct PortLevel {
  float peak = 0.0f;
  std::size_t over_full_scale = 0;  // samples beyond full level, passed on as they are
};

class LiveEngine final {
 public:
  // Registers the output port "out" on `client`, and "keyboard" (MIDI in) when
  // `keyboard` names a machine of `renderer` (-1: none). Every sample is
  // multiplied by `gain` on its way out. [ui] Before Activate.
  LiveEngine(JackClient& client, SongRenderer& renderer, int keyboard, float gain = 1.0f);
  // Deactivates the client, whose process callback may point here.
  ~LiveEngine();
  LiveEngine(const LiveEngine&) = delete;
  LiveEngine& operator=(const LiveEngine&) = delete;

  // [audio] The whole process callback: `data` is the engine.
  static int Process(jack_nframes_t frames, void* data) noexcept;
  void Process(jack_nframes_t frames) noexcept;

  jack_port_t* Output() const { return output_; }
  jack_port_t* Keyboard() const { return keyboard_port_; }

  // [ui] Silence is played until this; the song starts in the next period.
  void Play() noexcept { playing_.store(true, std::memory_order_release); }
  // [any thread] Halts the machines at the next tick and lets the tail ring out.
  void RequestStop() noexcept { stop_requested_.store(true, std::memory_order_release); }
  // [any thread] The song and its tail are over; the machines are left alone
  // from here on, so the user-interface side may use them.
  bool Finished() const noexcept { return finished_.load(std::memory_order_acquire); }
  // [any thread] Frames played since the song's first, silence after its end
  // included; false before the first period. A period adds its frames when
  // the callback returns, so a client after the engine in the server's graph
  // sees them already in that period, one before it not yet.
  bool FramesPlayed(std::uint64_t& frames) const noexcept;
  // [ui] Ticks started, oldest first.
  TickQueue& Ticks() noexcept { return ticks_; }
  // [ui] After Finished: the whole song's, its tail included.
  const PortLevel& Level() const noexcept { return level_; }

 private:
  void PlayPeriod(float* out, void* midi, jack_nframes_t frames) noexcept;
  void Deliver(const jack_midi_event_t& event) noexcept;
  std::size_t PullUntil(float* out, std::size_t frames) noexcept;
  void ToPortScale(float* out, std::size_t frames) noexcept;

  JackClient& client_;
  SongRenderer& renderer_;
  MachineBase* keyboard_ = nullptr;
  jack_port_t* output_;
  jack_port_t* keyboard_port_ = nullptr;
  const float gain_;
  bool stopping_ = false;  // the audio side's own
  PortLevel level_;  // the audio side's own until Finished
  TickQueue ticks_;
  std::atomic<bool> playing_{false};
  std::atomic<bool> stop_requested_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> started_{false};
  std::atomic<std::uint64_t> frames_played_{0};  // written by the audio side only
  // The process callback touches these: it must not lock.
  static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<std::uint64_t>::is_always_lock_free,
                "the process callback must not lock");
};

}  // namespace varnok::host::live
