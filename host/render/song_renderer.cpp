#include "host/render/song_renderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "framework/render_signal.h"
#include "host/core/host_error.h"
#include "host/core/memory_state.h"
#include "host/render/plugin_locator.h"

namespace varnok::host {
namespace {

std::vector<Plugin> LoadPlugins(const Song& song, const std::string& folder) {
  std::vector<Plugin> plugins;
  for (const MachinePlacement& placement : song.machines) {
    plugins.push_back(LoadSongPlugin(song, placement.plugin, folder));
  }
  return plugins;
}

std::vector<const MachineDescription*> Descriptions(const std::vector<Plugin>& plugins) {
  std::vector<const MachineDescription*> descriptions;
  for (const Plugin& plugin : plugins) descriptions.push_back(&plugin.Description());
  return descriptions;
}

// A machine that has values to take must have pointed its block at them.
void RequireBlock(const void* block, int bytes, const BoundMachine& placed, const char* which) {
  if (bytes > 0 && block == nullptr) {
    throw HostError("machine '" + placed.name + "' (" + placed.description->full_name + ") left its " +
                    which + " unset");
  }
}

}  // namespace

SongRenderer::SongRenderer(const Song& song, const RenderSettings& settings)
    : settings_(settings),
      plugins_(LoadPlugins(song, settings.plugin_folder)),
      bound_(BindSong(song, Descriptions(plugins_))),
      info_(MakeHostInfo(bound_.sample_rate, bound_.beats_per_minute, bound_.ticks_per_beat)) {
  if (settings_.block < 1 || settings_.block > kMaxBlock) {
    throw HostError("block size " + std::to_string(settings_.block) + " is outside 1.." +
                    std::to_string(kMaxBlock));
  }
  const double tail_samples = std::max(settings_.tail_seconds, 0.0) * bound_.sample_rate;
  tail_ticks_ = static_cast<int>(std::ceil(tail_samples / info_.samples_per_tick));
  total_ticks_ = settings_.loop ? std::numeric_limits<int>::max() : bound_.length_ticks + tail_ticks_;
  halt_tick_ = settings_.halt_before_tail && !settings_.loop ? bound_.length_ticks : total_ticks_;
  next_key_.assign(bound_.machines.size(), 0);
  buffers_.assign(bound_.machines.size(), std::vector<float>(kMaxBlock, 0.0f));
  machines_.reserve(bound_.machines.size());
  for (std::size_t m = 0; m < bound_.machines.size(); ++m) SetUp(m);
}

SongRenderer::~SongRenderer() = default;

void SongRenderer::SetUp(std::size_t m) {
  const BoundMachine& placed = bound_.machines[m];
  machines_.emplace_back(plugins_[m], info_, services_);
  MachineBase& machine = *machines_.back();
  RequireBlock(machine.global_values, placed.global_bytes, placed, "global value block");
  RequireBlock(machine.track_values, placed.track_bytes, placed, "track value block");
  RequireBlock(machine.attribute_values, static_cast<int>(placed.attributes.size()), placed,
               "attribute block");
  if (placed.state) {
    MemoryStateInput saved(*placed.state);
    machine.Initialize(&saved);
  } else {
    machine.Initialize(nullptr);
  }
  if (placed.description->max_tracks > 0) machine.SetTrackCount(placed.tracks);
  if (!placed.attributes.empty()) {
    std::copy(placed.attributes.begin(), placed.attributes.end(), machine.attribute_values);
  }
  machine.ApplyAttributes();
}

void SongRenderer::StartTick(int tick) {
  for (std::size_t m = 0; m < machines_.size(); ++m) {
    const BoundMachine& placed = bound_.machines[m];
    MachineBase& machine = *machines_[m];
    const std::uint8_t* frame = placed.Frame(tick);
    if (placed.global_bytes > 0) std::memcpy(machine.global_values, frame, placed.global_bytes);
    if (placed.track_bytes > 0) {
      std::memcpy(machine.track_values, frame + placed.global_bytes, placed.track_bytes);
    }
    machine.ApplyTick();
    // After the tick's ApplyTick, as a pattern note: a key released here is
    // heard to the end of the tick.
    std::size_t& key = next_key_[m];
    for (; key < placed.keys.size() && placed.keys[key].tick == tick; ++key) {
      machine.OnMidiNote(0, placed.keys[key].note, placed.keys[key].velocity);
    }
  }
}

// Each machine gets the sum of what feeds it; a machine that answers false
// gave no signal, whatever its buffer holds.
void SongRenderer::RenderBlock(float* out, int count) {
  const std::size_t n = static_cast<std::size_t>(count);
  for (int m : bound_.render_order) {
    const BoundMachine& placed = bound_.machines[m];
    float* buffer = buffers_[m].data();
    std::fill_n(buffer, n, 0.0f);
    for (int input : placed.inputs) {
      const float* source = buffers_[input].data();
      for (std::size_t i = 0; i < n; ++i) buffer[i] += source[i];
    }
    const int mode = placed.inputs.empty() ? 0 : kRenderHasInput;
    if (!machines_[m]->Render(buffer, count, mode)) std::fill_n(buffer, n, 0.0f);
    if (placed.gain != 1.0f) {
      for (std::size_t i = 0; i < n; ++i) buffer[i] *= placed.gain;
    }
    if (placed.to_master) {
      for (std::size_t i = 0; i < n; ++i) out[i] += buffer[i];
    }
  }
}

std::size_t SongRenderer::Pull(float* out, std::size_t frames) noexcept {
  if (frames == 0 || failed_.load(std::memory_order_acquire)) return 0;
  try {
    return PullFrames(out, frames);
  } catch (const std::exception& error) {
    Fail(error);
  }
  return 0;
}

void SongRenderer::Fail(const std::exception& error) noexcept {
  if (failed_.load(std::memory_order_acquire)) return;
  try {
    failure_ = error.what();  // the one allocation, on the way out
  } catch (const std::bad_alloc&) {
    failure_.clear();
  }
  failed_.store(true, std::memory_order_release);
}

void SongRenderer::ThrowIfFailed() const {
  if (!failed_.load(std::memory_order_acquire)) return;
  throw HostError(failure_.empty() ? std::string("a machine failed, and memory ran out saying how") : failure_);
}

bool SongRenderer::BeginTick() {
  if (ticks_done_ == halt_tick_ && !halted_) {
    for (MachineInstance& machine : machines_) machine->Halt();
    halted_ = true;
    // What plays after a halt is no longer the song.
    song_tick_ = std::max(song_tick_, bound_.length_ticks);
  }
  if (ticks_done_ == total_ticks_) return false;
  if (settings_.loop && !halted_ && song_tick_ == bound_.length_ticks) {
    song_tick_ = 0;
    std::fill(next_key_.begin(), next_key_.end(), 0);
  }
  StartTick(song_tick_);
  for (const AfterTick& hook : after_tick_) hook(ticks_done_);
  info_.tick_position = 0;
  in_tick_ = true;
  return true;
}

void SongRenderer::StartTickIfDue() noexcept {
  if (in_tick_ || failed_.load(std::memory_order_acquire)) return;
  try {
    BeginTick();
  } catch (const std::exception& error) {
    Fail(error);
  }
}

std::size_t SongRenderer::PullFrames(float* out, std::size_t frames) {
  if (!in_tick_ && !BeginTick()) return 0;
  const int per_tick = info_.samples_per_tick;
  const std::size_t count = std::min(frames, static_cast<std::size_t>(per_tick - info_.tick_position));
  std::fill_n(out, count, 0.0f);
  for (std::size_t done = 0; done < count;) {
    const int block = static_cast<int>(std::min(count - done, static_cast<std::size_t>(settings_.block)));
    RenderBlock(out + done, block);
    done += static_cast<std::size_t>(block);
    info_.tick_position += block;
  }
  if (info_.tick_position == per_tick) {
    in_tick_ = false;
    ++ticks_done_;
    ++song_tick_;
  }
  return count;
}

void SongRenderer::Stop(int tail_ticks) noexcept {
  if (halted_) return;
  const int next_tick = ticks_done_ + (in_tick_ ? 1 : 0);
  if (next_tick >= halt_tick_) return;
  halt_tick_ = next_tick;
  total_ticks_ = next_tick + std::max(tail_ticks, 0);
}

}  // namespace varnok::host
