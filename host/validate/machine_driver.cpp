#include "host/validate/machine_driver.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "framework/render_signal.h"
#include "host/core/memory_state.h"
#include "host/core/no_values.h"
#include "host/validate/sample_checks.h"
#include "platform/audio_path_probe.h"
#include "platform/float_environment.h"

namespace varnok::host::validate {
namespace {

const char* RoundingName(platform::Rounding rounding) {
  switch (rounding) {
    case platform::Rounding::kToNearest: return "to nearest";
    case platform::Rounding::kDownward: return "downward";
    case platform::Rounding::kUpward: return "upward";
    case platform::Rounding::kTowardZero: return "toward zero";
  }
  return "?";
}

const char* OnOff(bool on) { return on ? "on" : "off"; }

// E.g. "SSE rounding downward (was to nearest), flush-to-zero on (was off)".
std::string FloatControlChanges(const platform::FloatControl& was,
                                const platform::FloatControl& now) {
  std::string text;
  const auto add = [&](const char* what, const char* value, const char* before) {
    if (!text.empty()) text += ", ";
    text += std::string(what) + " " + value + " (was " + before + ")";
  };
  if (now.x87_rounding != was.x87_rounding) {
    add("x87 rounding", RoundingName(now.x87_rounding), RoundingName(was.x87_rounding));
  }
  if (now.sse_rounding != was.sse_rounding) {
    add("SSE rounding", RoundingName(now.sse_rounding), RoundingName(was.sse_rounding));
  }
  if (now.flush_to_zero != was.flush_to_zero) {
    add("flush-to-zero", OnOff(now.flush_to_zero), OnOff(was.flush_to_zero));
  }
  if (now.denormals_are_zero != was.denormals_are_zero) {
    add("denormals-are-zero", OnOff(now.denormals_are_zero), OnOff(was.denormals_are_zero));
  }
  return text;
}

}  // namespace

MachineDriver::MachineDriver(const Plugin& plugin, HostServices& services, int sample_rate)
    : plugin_(plugin),
      description_(plugin.Description()),
      info_(MakeHostInfo(sample_rate, kBeatsPerMinute, kTicksPerBeat)),
      machine_(plugin, info_, services),
      buffer_(kMaxBlock),
      before_(kMaxBlock) {
  for (int i = 0; i < description_.attribute_count; ++i) {
    machine_->attribute_values[i] = description_.attributes[i]->default_value;
  }
}

template <class Call>
void MachineDriver::Checked(MachineSlot slot, Call call) {
  const char* operation = TagOf(slot).operation;
  const platform::FloatControl control = plugin_.FloatState();
  const bool counting = probing_ && TagOf(slot).side != CallSide::kUi;
  // A library with a runtime of its own (an emulated one) counts there; the
  // process's counting would see the emulator's own work instead.
  platform::AudioPathCounts own_before;
  const bool own = plugin_.OwnRuntimeCounts(own_before);
  if (counting && !own) platform::ArmAudioPathProbe();
  call();
  if (counting) {
    platform::AudioPathCounts counts;
    if (own) {
      plugin_.OwnRuntimeCounts(counts);
      counts.heap_operations -= own_before.heap_operations;
      counts.locks -= own_before.locks;
    } else {
      counts = platform::DisarmAudioPathProbe();
    }
    if (counts.heap_operations != 0 || counts.locks != 0) {
      throw CheckFailure(std::string(operation) + " made " +
                         std::to_string(counts.heap_operations) + " heap operations and took " +
                         std::to_string(counts.locks) + " locks");
    }
  }
  const platform::FloatControl left = plugin_.FloatState();
  if (left != control) {
    throw CheckFailure(std::string(operation) + " left the floating-point control changed: " +
                       FloatControlChanges(control, left));
  }
}

void MachineDriver::Start(StateInput* saved, int tracks) {
  Initialize(saved);
  SetTrackCount(tracks);
  ApplyAttributes();
}

void MachineDriver::Initialize(StateInput* saved) {
  Checked(MachineSlot::kInitialize, [&] { machine_->Initialize(saved); });
}

void MachineDriver::SetTrackCount(int count) {
  // The host writes only the track blocks the description promises.
  track_count_ = std::clamp(count, description_.min_tracks, description_.max_tracks);
  Checked(MachineSlot::kSetTrackCount, [&] { machine_->SetTrackCount(count); });
}

void MachineDriver::SetAttribute(int index, std::int32_t value) {
  machine_->attribute_values[index] = value;
}

void MachineDriver::ApplyAttributes() {
  Checked(MachineSlot::kApplyAttributes, [&] { machine_->ApplyAttributes(); });
}

void MachineDriver::Tick() {
  Checked(MachineSlot::kApplyTick, [&] { machine_->ApplyTick(); });
}

bool MachineDriver::Render(int count, int mode) {
  float* samples = buffer_.data();
  if (IsGenerator()) {
    FillWithSentinel(samples, count);
  } else if (mode & kRenderHasInput) {
    // A rough signal within full level: noise from a fixed linear congruence.
    for (int i = 0; i < count; ++i) {
      input_state_ = input_state_ * 1664525u + 1013904223u;
      samples[i] = static_cast<float>(static_cast<std::int32_t>(input_state_ >> 16) - 32768);
    }
  } else {
    std::memset(samples, 0, sizeof(float) * static_cast<std::size_t>(count));
  }
  return RenderBuffer(count, mode);
}

bool MachineDriver::RenderInput(const float* input, int count) {
  std::memcpy(buffer_.data(), input, sizeof(float) * static_cast<std::size_t>(count));
  return RenderBuffer(count, kRenderHasInput);
}

bool MachineDriver::RenderBuffer(int count, int mode) {
  float* samples = buffer_.data();
  std::memcpy(before_.data(), samples, sizeof(float) * static_cast<std::size_t>(count));

  bool wrote = false;
  Checked(MachineSlot::kRender, [&] { wrote = machine_->Render(samples, count, mode); });

  const std::string block = "Render of " + std::to_string(count) + " samples";
  if (!wrote) {
    if (std::memcmp(before_.data(), samples, sizeof(float) * static_cast<std::size_t>(count)) != 0) {
      throw CheckFailure(block + " returned false but changed the buffer");
    }
    return false;
  }
  if (IsGenerator()) {
    const int unwritten = FirstSentinel(samples, count);
    if (unwritten >= 0) {
      throw BrokenOutput(block + " returned true but left sample " + std::to_string(unwritten) +
                         " unwritten");
    }
  }
  const float* input = IsGenerator() ? nullptr : before_.data();
  const std::string problem = CheckSamples(samples, count, input);
  if (problem.empty()) return true;
  const std::string fault = block + ": " + problem;
  if (HasNonFinite(samples, count)) throw BrokenOutput(fault);
  throw CheckFailure(fault);
}

void MachineDriver::MidiNote(int channel, int note, int velocity) {
  Checked(MachineSlot::kOnMidiNote, [&] { machine_->OnMidiNote(channel, note, velocity); });
}

void MachineDriver::Halt() {
  Checked(MachineSlot::kHalt, [&] { machine_->Halt(); });
}

std::vector<std::uint8_t> MachineDriver::SaveState() {
  MemoryStateOutput out;
  Checked(MachineSlot::kSaveState, [&] { machine_->SaveState(&out); });
  return out.Bytes();
}

void MachineDriver::WriteValue(int index, int track, std::uint8_t value) {
  const int globals = description_.global_param_count;
  if (index < globals) {
    machine_->global_values[index] = value;
  } else {
    machine_->track_values[track * description_.track_param_count + (index - globals)] = value;
  }
}

void MachineDriver::WriteEverywhere(std::uint8_t value) {
  for (int i = 0; i < description_.global_param_count; ++i) WriteValue(i, 0, value);
  for (int t = 0; t < track_count_; ++t) {
    for (int i = description_.global_param_count; i < ParamCount(); ++i) WriteValue(i, t, value);
  }
}

void MachineDriver::WriteNoValues() {
  for (int i = 0; i < description_.global_param_count; ++i) {
    WriteValue(i, 0, NoValueByte(*description_.params[i]));
  }
  for (int t = 0; t < track_count_; ++t) {
    for (int i = description_.global_param_count; i < ParamCount(); ++i) {
      WriteValue(i, t, NoValueByte(*description_.params[i]));
    }
  }
}

}  // namespace varnok::host::validate
