// A small host of our own on lilv, LV2's reference host library, for the tests
// and the benchmarks: it loads our bundles from the build, maps URIs, and runs
// one instance in blocks of the sizes asked for, with MIDI and tempo at exact
// frames.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <lilv/lilv.h>

#include "platform/audio_path_probe.h"

namespace varnok::lv2 {

inline constexpr double kRate = 44100.0;

// MIDI bytes, or a time position, at a frame from the start.
struct TimedEvent {
  std::uint32_t frame;
  std::vector<std::uint8_t> midi;
  bool position = false;  // a time:Position, with `tempo` when that is above 0
  double tempo = 0.0;
  // Added to the time stamp a host would give, to stamp it out of order or
  // past its block as a faulty host might.
  std::int64_t misstamp = 0;
};

TimedEvent NoteOn(std::uint32_t frame, int key, int velocity, int channel = 0);
TimedEvent NoteOff(std::uint32_t frame, int key, int channel = 0);
// A time:Position; one without a tempo for `beats_per_minute` 0 or below.
TimedEvent Tempo(std::uint32_t frame, double beats_per_minute);

// Lilv's world with our bundles and LV2's own vocabulary, made once.
LilvWorld* World();
const LilvPlugin* FindPlugin(const char* uri);

class LilvRenderer final {
 public:
  // Throws std::runtime_error when lilv finds no such plug-in or it will not
  // instantiate.
  explicit LilvRenderer(const char* uri, double rate = kRate);
  ~LilvRenderer();
  LilvRenderer(const LilvRenderer&) = delete;
  LilvRenderer& operator=(const LilvRenderer&) = delete;

  // Throws std::invalid_argument for a symbol the plug-in has no port of.
  void Set(const std::string& symbol, float value);
  float Get(const std::string& symbol) const;
  void Activate();

  // An instrument's `frames` samples, run in blocks whose lengths cycle
  // through `blocks`. With `counts`, adds what each run() took.
  std::vector<float> Play(std::uint32_t frames, const std::vector<TimedEvent>& events,
                          const std::vector<std::uint32_t>& blocks = {256},
                          platform::AudioPathCounts* counts = nullptr);
  // An effect's output for `input`; `in_place` hands it one buffer for both.
  std::vector<float> Process(const std::vector<float>& input, const std::vector<std::uint32_t>& blocks = {256},
                             platform::AudioPathCounts* counts = nullptr, bool in_place = false);

  // For timing run() alone: connects `input` (null for an instrument) and
  // `output`, and leaves the event input empty; RunConnected then calls run()
  // and nothing else.
  void Connect(const float* input, float* output);
  void RunConnected(std::uint32_t frames) { lilv_instance_run(instance_, frames); }

  // For calls past lilv, where lilv's world may not be touched.
  const LV2_Descriptor* Descriptor() const { return lilv_instance_get_descriptor(instance_); }
  static const LV2_Feature* const* Features();

 private:
  std::vector<float> Run(std::uint32_t frames, const float* input, const std::vector<TimedEvent>& events,
                         const std::vector<std::uint32_t>& blocks, platform::AudioPathCounts* counts, bool in_place);
  void WriteEvents(const std::vector<TimedEvent>& events, std::uint32_t from, std::uint32_t count);
  std::uint32_t PortIndex(const std::string& symbol) const;

  const LilvPlugin* plugin_ = nullptr;
  LilvInstance* instance_ = nullptr;
  bool active_ = false;
  std::vector<float> controls_;           // one per port; audio and event ports leave theirs unused
  std::vector<std::uint32_t> audio_in_, audio_out_, events_in_;
  std::vector<std::uint64_t> event_buffer_;  // 8-byte aligned for the atoms
};

}  // namespace varnok::lv2
