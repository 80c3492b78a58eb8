// Plays a song through its machines, in the host's order of calls, into one
// mono master mix.
#pragma once

#include <cstddef>
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
};

class SongRenderer {
 public:
  // Loads every plug-in, then creates and sets up each machine in the order
  // placed: Initialize, SetTrackCount, attribute values, ApplyAttributes.
  // Throws HostError (SongError for mistakes in the song).
  SongRenderer(const Song& song, const RenderSettings& settings);
  ~SongRenderer();
  SongRenderer(const SongRenderer&) = delete;
  SongRenderer& operator=(const SongRenderer&) = delete;

  // Called once per tick with the ticks done and the ticks in all.
  using Progress = std::function<void(int done, int total)>;
  // Called for each machine once the song has played and the machines are
  // halted, before they are destroyed; for reading a meter's results.
  using AfterRender = std::function<void(const BoundMachine& placed, MachineBase& machine)>;
  void AddAfterRender(AfterRender hook) { after_render_.push_back(std::move(hook)); }
  // Called after every machine's ApplyTick and before the tick's first block;
  // the place to let a machine's window catch up with what the tick posted.
  using AfterTick = std::function<void(int tick)>;
  void AddAfterTick(AfterTick hook) { after_tick_.push_back(std::move(hook)); }

  std::size_t MachineCount() const { return machines_.size(); }
  const BoundMachine& Placed(std::size_t m) const { return bound_.machines[m]; }
  MachineBase& MachineAt(std::size_t m) const { return *machines_[m]; }

  // Plays the whole song plus its tail, once; returns the master mix (full level 32768).
  const std::vector<float>& Render(const Progress& progress = {});

  int SampleRate() const { return bound_.sample_rate; }
  int SamplesPerTick() const { return info_.samples_per_tick; }
  int TotalTicks() const { return total_ticks_; }
  std::size_t TotalSamples() const { return mix_.size(); }

 private:
  void SetUp(std::size_t m);
  void StartTick(int tick);
  void RenderBlock(float* out, int count) noexcept;

  RenderSettings settings_;
  std::vector<Plugin> plugins_;  // outlive the machines they made
  BoundSong bound_;
  StandInHostServices services_;
  HostInfo info_;
  std::vector<MachineInstance> machines_;
  std::vector<std::size_t> next_key_;           // per machine: its first key not yet played
  std::vector<std::vector<float>> buffers_;     // per machine: its output of the block
  std::vector<AfterRender> after_render_;
  std::vector<AfterTick> after_tick_;
  int total_ticks_ = 0;
  std::vector<float> mix_;
};

}  // namespace varnok::host
