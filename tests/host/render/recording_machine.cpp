// A test machine that writes down every call the host makes, and answers
// ExtList() with that record so a test can read it before the machine goes.
// Render: with an input (mode bit 0) it halves the signal; otherwise, while a
// note sounds, it plays a ramp that runs on across blocks; else it returns false.
#include <cstdio>
#include <string>

#include "framework/plugin_entry.h"

namespace {

using namespace varnok;

constexpr int kTracks = 4;
constexpr int kTrackParams = 2;

const ParamDescriptor kLevel = {kByteParam, "Level", "Level", 0, 0xFE, kNoValue, kByteParamFlags, 0};
const ParamDescriptor kNote = {kNoteParam, "Note", "Note", kLowestNote, kHighestNote, kNoNote,
                               kNoteParamFlags, 0};
const ParamDescriptor kVolume = {kByteParam, "Volume", "Volume", 0, 0x80, kNoValue, kByteParamFlags, 0};
const ParamDescriptor* const kParams[] = {&kLevel, &kNote, &kVolume};
const AttributeDescriptor kAlpha = {"Alpha", 0, 100, 5};
const AttributeDescriptor kBeta = {"Beta", -10, 10, 0};
const AttributeDescriptor* const kAttributes[] = {&kAlpha, &kBeta};

const MachineDescription kRecordingDescription = {
    kMachineKind, kInterfaceVersion, 0, /*min_tracks=*/1, kTracks,
    /*global_param_count=*/1, kTrackParams, kParams, 2, kAttributes,
    "Recording Machine", "Recorder", kAuthor, nullptr};

class RecordingMachine final : public Machine<RecordingMachine> {
 public:
  RecordingMachine() noexcept {
    global_values = &level_;
    track_values = tracks_[0];
    attribute_values = attributes_;
  }

  void MACHINE_CALL Initialize(StateInput* saved) override {
    if (saved == nullptr) {
      Note("Initialize(null)");
      return;
    }
    unsigned char bytes[2] = {};
    saved->Read(bytes, 2);
    Note("Initialize(%02X %02X)", bytes[0], bytes[1]);
  }
  void MACHINE_CALL SetTrackCount(int count) noexcept override {
    track_count_ = count;
    Note("SetTrackCount(%d)", count);
  }
  void MACHINE_CALL ApplyAttributes() override {
    Note("ApplyAttributes(%d,%d)", attributes_[0], attributes_[1]);
  }
  void MACHINE_CALL OnMidiNote(int channel, int note, int velocity) noexcept override {
    Note("OnMidiNote(%d,%d,%d)", channel, note, velocity);
  }
  void MACHINE_CALL ApplyTick() noexcept override {
    std::string values = Hex(level_);
    for (int t = 0; t < track_count_; ++t) {
      values += " " + Hex(tracks_[t][0]) + "," + Hex(tracks_[t][1]);
      if (tracks_[t][0] == kNoteOff) sounding_ = false;
      if (tracks_[t][0] != kNoNote && tracks_[t][0] != kNoteOff) sounding_ = true;
    }
    Note("ApplyTick(%s) spt=%d", values.c_str(), host_info->samples_per_tick);
  }
  bool MACHINE_CALL Render(float* samples, int count, int mode) noexcept override {
    Note("Render(%d,%d) at %d", count, mode, host_info->tick_position);
    if (mode & 1) {
      for (int i = 0; i < count; ++i) samples[i] *= 0.5f;
      return true;
    }
    if (!sounding_) return false;
    for (int i = 0; i < count; ++i) samples[i] = static_cast<float>(ramp_++ % 1000);
    return true;
  }
  void MACHINE_CALL Halt() noexcept override { Note("Halt"); }
  void* MACHINE_CALL ExtList() noexcept override { return const_cast<char*>(log_.c_str()); }

 private:
  static std::string Hex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value & 0xFFu);
    return text;
  }
  template <class... Args>
  void Note(const char* format, Args... args) {
    char line[256];
    std::snprintf(line, sizeof line, format, args...);
    log_ += line;
    log_ += '\n';
  }

  std::uint8_t level_ = 0;
  std::uint8_t tracks_[kTracks][kTrackParams] = {};
  std::int32_t attributes_[2] = {};
  int track_count_ = 0;
  bool sounding_ = false;
  long ramp_ = 0;
  std::string log_;
};

}  // namespace

VARNOK_MACHINE_PLUGIN(RecordingMachine, kRecordingDescription)
