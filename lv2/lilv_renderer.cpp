#include "lv2/lilv_renderer.h"

#include <algorithm>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

namespace varnok::lv2 {
namespace {

constexpr std::size_t kEventBufferBytes = 1 << 16;

// URIs to numbers, the same for every instance of the process.
class UridMap {
 public:
  LV2_URID Map(const char* uri) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto found = ids_.find(uri);
    if (found != ids_.end()) return found->second;
    const LV2_URID id = static_cast<LV2_URID>(ids_.size() + 1);
    ids_.emplace(uri, id);
    return id;
  }
  static LV2_URID Callback(LV2_URID_Map_Handle handle, const char* uri) {
    return static_cast<UridMap*>(handle)->Map(uri);
  }

 private:
  std::mutex mutex_;
  std::unordered_map<std::string, LV2_URID> ids_;
};

UridMap& Urids() {
  static UridMap map;
  return map;
}

LV2_URID_Map& MapFeatureData() {
  static LV2_URID_Map map{&Urids(), UridMap::Callback};
  return map;
}

bool IsA(const LilvPort* port, const LilvPlugin* plugin, const char* class_uri) {
  LilvNode* node = lilv_new_uri(World(), class_uri);
  const bool is = lilv_port_is_a(plugin, port, node);
  lilv_node_free(node);
  return is;
}

}  // namespace

TimedEvent NoteOn(std::uint32_t frame, int key, int velocity, int channel) {
  return {frame, {static_cast<std::uint8_t>(0x90 | channel), static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(velocity)}};
}

TimedEvent NoteOff(std::uint32_t frame, int key, int channel) {
  return {frame, {static_cast<std::uint8_t>(0x80 | channel), static_cast<std::uint8_t>(key), 0}};
}

TimedEvent Tempo(std::uint32_t frame, double beats_per_minute) { return {frame, {}, true, beats_per_minute}; }

LilvWorld* World() {
  static LilvWorld* world = [] {
    LilvWorld* made = lilv_world_new();
    LilvNode* path = lilv_new_string(made, VARNOK_LV2_DIR ":/usr/lib/lv2");
    lilv_world_set_option(made, LILV_OPTION_LV2_PATH, path);
    lilv_node_free(path);
    lilv_world_load_all(made);
    return made;
  }();
  return world;
}

const LilvPlugin* FindPlugin(const char* uri) {
  LilvNode* node = lilv_new_uri(World(), uri);
  const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(World()), node);
  lilv_node_free(node);
  return plugin;
}

const LV2_Feature* const* LilvRenderer::Features() {
  static const LV2_Feature map{LV2_URID__map, &MapFeatureData()};
  static const LV2_Feature* const features[] = {&map, nullptr};
  return features;
}

LilvRenderer::LilvRenderer(const char* uri, double rate)
    : event_buffer_(kEventBufferBytes / sizeof(std::uint64_t)) {
  plugin_ = FindPlugin(uri);
  if (plugin_ == nullptr) throw std::runtime_error(std::string("lilv finds no plug-in ") + uri);
  instance_ = lilv_plugin_instantiate(plugin_, rate, Features());
  if (instance_ == nullptr) throw std::runtime_error(std::string(uri) + " would not instantiate");
  const std::uint32_t ports = lilv_plugin_get_num_ports(plugin_);
  controls_.assign(ports, 0.0f);
  for (std::uint32_t i = 0; i < ports; ++i) {
    const LilvPort* port = lilv_plugin_get_port_by_index(plugin_, i);
    if (IsA(port, plugin_, LV2_CORE__AudioPort)) {
      (IsA(port, plugin_, LV2_CORE__InputPort) ? audio_in_ : audio_out_).push_back(i);
    } else if (IsA(port, plugin_, LV2_ATOM__AtomPort)) {
      events_in_.push_back(i);
      lilv_instance_connect_port(instance_, i, event_buffer_.data());
    } else {
      LilvNode* default_value = nullptr;
      lilv_port_get_range(plugin_, port, &default_value, nullptr, nullptr);
      controls_[i] = default_value != nullptr ? lilv_node_as_float(default_value) : 0.0f;
      lilv_node_free(default_value);
      lilv_instance_connect_port(instance_, i, &controls_[i]);
    }
  }
}

LilvRenderer::~LilvRenderer() {
  if (active_) lilv_instance_deactivate(instance_);
  lilv_instance_free(instance_);
}

std::uint32_t LilvRenderer::PortIndex(const std::string& symbol) const {
  LilvNode* node = lilv_new_string(World(), symbol.c_str());
  const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin_, node);
  lilv_node_free(node);
  if (port == nullptr) throw std::invalid_argument("no port " + symbol);
  return lilv_port_get_index(plugin_, port);
}

void LilvRenderer::Set(const std::string& symbol, float value) { controls_[PortIndex(symbol)] = value; }

float LilvRenderer::Get(const std::string& symbol) const { return controls_[PortIndex(symbol)]; }

void LilvRenderer::Activate() {
  if (active_) lilv_instance_deactivate(instance_);
  lilv_instance_activate(instance_);
  active_ = true;
}

std::vector<float> LilvRenderer::Play(std::uint32_t frames, const std::vector<TimedEvent>& events,
                                 const std::vector<std::uint32_t>& blocks, platform::AudioPathCounts* counts) {
  std::vector<TimedEvent> in_order = events;
  std::stable_sort(in_order.begin(), in_order.end(),
                   [](const TimedEvent& a, const TimedEvent& b) { return a.frame < b.frame; });
  return Run(frames, nullptr, in_order, blocks, counts, false);
}

std::vector<float> LilvRenderer::Process(const std::vector<float>& input, const std::vector<std::uint32_t>& blocks,
                                    platform::AudioPathCounts* counts, bool in_place) {
  return Run(static_cast<std::uint32_t>(input.size()), input.data(), {}, blocks, counts, in_place);
}

void LilvRenderer::Connect(const float* input, float* output) {
  if (!active_) Activate();
  for (std::uint32_t port : audio_in_) lilv_instance_connect_port(instance_, port, const_cast<float*>(input));
  for (std::uint32_t port : audio_out_) lilv_instance_connect_port(instance_, port, output);
  if (!events_in_.empty()) WriteEvents({}, 0, 0);
}

// The events of frames from..from+count, stamped from the block's start.
void LilvRenderer::WriteEvents(const std::vector<TimedEvent>& events, std::uint32_t from, std::uint32_t count) {
  LV2_Atom_Forge forge;
  lv2_atom_forge_init(&forge, &MapFeatureData());
  lv2_atom_forge_set_buffer(&forge, reinterpret_cast<std::uint8_t*>(event_buffer_.data()), kEventBufferBytes);
  LV2_Atom_Forge_Frame sequence;
  lv2_atom_forge_sequence_head(&forge, &sequence, 0);
  for (const TimedEvent& event : events) {
    if (event.frame < from || event.frame >= from + count) continue;
    lv2_atom_forge_frame_time(&forge, static_cast<std::int64_t>(event.frame - from) + event.misstamp);
    if (event.position) {
      LV2_Atom_Forge_Frame object;
      lv2_atom_forge_object(&forge, &object, 0, Urids().Map(LV2_TIME__Position));
      lv2_atom_forge_key(&forge, Urids().Map(LV2_TIME__speed));
      lv2_atom_forge_float(&forge, 1.0f);
      if (event.tempo > 0.0) {
        lv2_atom_forge_key(&forge, Urids().Map(LV2_TIME__beatsPerMinute));
        lv2_atom_forge_float(&forge, static_cast<float>(event.tempo));
      }
      lv2_atom_forge_pop(&forge, &object);
    } else {
      lv2_atom_forge_atom(&forge, static_cast<std::uint32_t>(event.midi.size()), Urids().Map(LV2_MIDI__MidiEvent));
      lv2_atom_forge_write(&forge, event.midi.data(), static_cast<std::uint32_t>(event.midi.size()));
    }
  }
  lv2_atom_forge_pop(&forge, &sequence);
}

std::vector<float> LilvRenderer::Run(std::uint32_t frames, const float* input,
                                     const std::vector<TimedEvent>& events,
                                     const std::vector<std::uint32_t>& blocks,
                                     platform::AudioPathCounts* counts, bool in_place) {
  std::vector<float> output(frames, 0.0f);
  if (in_place) std::copy(input, input + frames, output.begin());
  if (!active_) Activate();
  std::size_t next = 0;
  for (std::uint32_t at = 0; at < frames;) {
    const std::uint32_t count = std::min(std::max<std::uint32_t>(blocks[next++ % blocks.size()], 1), frames - at);
    float* in = in_place ? output.data() + at : const_cast<float*>(input + at);
    for (std::uint32_t port : audio_in_) lilv_instance_connect_port(instance_, port, in);
    for (std::uint32_t port : audio_out_) lilv_instance_connect_port(instance_, port, output.data() + at);
    if (!events_in_.empty()) WriteEvents(events, at, count);
    if (counts != nullptr) platform::ArmAudioPathProbe();
    lilv_instance_run(instance_, count);
    if (counts != nullptr) {
      const platform::AudioPathCounts taken = platform::DisarmAudioPathProbe();
      counts->heap_operations += taken.heap_operations;
      counts->locks += taken.locks;
    }
    at += count;
  }
  return output;
}

}  // namespace varnok::lv2
