// Plays a song through its machines, in the host's order of calls, into one
// mono master mix.
#pragma once

#include <cstddef>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/machine_base.h"
#include "host/core/host_services.h"
#include "host/core/machine_instance.h"
#include "host/core/plugin.h"
#include "host/song/song.h"
#include "host/song/song_binding.h"

namespace varnok::host {

inline constexpr int kDefaultBlock = 256;

struct RenderSettings {
  int block = kDefaultBlock;    // samples per Render call, 1..kMaxBlock
  double tail_seconds = 0.0;    // played on after the last row, in whole ticks
  std::string plugin_folder;    // where plug-in names are looked up
  // A live player halts the machines when the rows end and lets the tail ring
  // out after; a render plays the tail first, as the song left it.
  bool halt_before_tail = false;
  bool loop = false;            // after the last row the first comes again, until Stop
};

// The engine is pulled: each Pull renders the next few frames, so a caller
// holds a block of audio at a time whatever the song's length, and a caller
// with a fixed period (an audio callback) calls Pull until the period is full.
class SongRenderer final {
 public:
  // Loads every plug-in, then creates and sets up each machine in the order
  // placed: Initialize, SetTrackCount, attribute values, ApplyAttributes.
  // Allocates all it needs to play. Throws HostError (SongError for mistakes
  // in the song).
  SongRenderer(const Song& song, const RenderSettings& settings);
  ~SongRenderer();
  SongRenderer(const SongRenderer&) = delete;
  SongRenderer& operator=(const SongRenderer&) = delete;

  // Called after every machine's ApplyTick and before the tick's first block;
  // the place to let a machine's window catch up with what the tick posted.
  using AfterTick = std::function<void(int tick)>;
  void AddAfterTick(AfterTick hook) { after_tick_.push_back(std::move(hook)); }

  std::size_t MachineCount() const { return machines_.size(); }
  const BoundMachine& Placed(std::size_t m) const { return bound_.machines[m]; }
  MachineBase& MachineAt(std::size_t m) const { return *machines_[m]; }
  const Plugin& PluginOf(std::size_t m) const { return plugins_[m]; }

  // [audio] Renders the next frames of the master mix (full level 32768) into
  // `out` and returns how many: `frames` (at least 1), or fewer where the tick
  // under way ends, so that a caller's block never spans two ticks. A tick's
  // first frames come after its values, ApplyTick and keyboard events; Render
  // calls take at most the block size. Returns 0 once the song and its tail
  // are over, and the first time halts every machine. Allocates nothing and
  // takes no lock (the hooks of AddAfterTick aside). A machine that fails (an
  // emulated one's fault) ends the song there: Pull returns 0 from then on,
  // and ThrowIfFailed says why.
  std::size_t Pull(float* out, std::size_t frames) noexcept;

  // [audio] Starts the next tick now if the last one has ended: a keyboard
  // note at a tick's first frame then reaches its machine after that tick's
  // ApplyTick, as a pattern note does.
  void StartTickIfDue() noexcept;

  // [audio] Ends the song as a failing machine does, for a failure in a call
  // made beside Pull (a keyboard note). Keeps the first failure.
  void Fail(const std::exception& error) noexcept;
  // [ui] Throws HostError with the failure that ended the song, if one did.
  void ThrowIfFailed() const;

  // [audio] Ends the song at the next tick: every machine halts before it,
  // then `tail_ticks` ticks with no values and no keys play before Pull
  // returns 0. Nothing changes once the machines have halted.
  void Stop(int tail_ticks) noexcept;
  // Ticks that `tail_seconds` lasts, rounded up.
  int TailTicks() const { return tail_ticks_; }

  int SampleRate() const { return bound_.sample_rate; }
  int TotalTicks() const { return total_ticks_; }
  std::uint64_t TotalSamples() const {
    return static_cast<std::uint64_t>(total_ticks_) * static_cast<std::uint64_t>(info_.samples_per_tick);
  }
  // Ticks rendered to their end.
  int TicksDone() const { return ticks_done_; }

 private:
  void SetUp(std::size_t m);
  std::size_t PullFrames(float* out, std::size_t frames);
  // Halts, loops or ends the song as it is due, then starts the next tick;
  // false when the song and its tail are over.
  bool BeginTick();
  void StartTick(int tick);
  void RenderBlock(float* out, int count);

  RenderSettings settings_;
  std::vector<Plugin> plugins_;  // outlive the machines they made
  BoundSong bound_;
  StandInHostServices services_;
  HostInfo info_;
  std::vector<MachineInstance> machines_;
  std::vector<std::size_t> next_key_;           // per machine: its first key not yet played
  std::vector<std::vector<float>> buffers_;     // per machine: its output of the block
  std::vector<AfterTick> after_tick_;
  int tail_ticks_ = 0;
  int total_ticks_ = 0;  // a looped song: until Stop
  int halt_tick_ = 0;    // the machines halt before this tick starts
  int ticks_done_ = 0;
  int song_tick_ = 0;    // the song's tick that the next tick plays
  bool in_tick_ = false;  // the tick `ticks_done_` has started
  bool halted_ = false;
  std::atomic<bool> failed_{false};
  std::string failure_;  // written once, before failed_ is set
};

}  // namespace varnok::host
