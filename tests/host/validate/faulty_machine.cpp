// A small generator that breaks one rule on demand, chosen by the environment
// variable VARNOK_FAULT, so that the validator's checks can be shown to catch it.
#include <xmmintrin.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "faulty_lock.h"
#include "framework/plugin_entry.h"
#include "platform/x86_control_bits.h"

namespace {

using namespace varnok::platform::x86;

enum class Fault {
  kNone, kCrashOnLoad, kHangInInfo, kCrashOnKeyboard, kNan, kDenormal, kHeap, kLock, kRounding, kSseRounding,
  kFlushToZero, kDenormalsAreZero, kHangInTick, kCrashInTick, kFalseButWrote, kTrueButUnwritten,
  kBlockDependent, kDriftingState, kLoudOutOfRange, kNanOutOfRange, kUnclampedTracks,
  kHeapInHalt, kHeapInTrackCount,
};

Fault FaultFromEnvironment() {
  const char* name = std::getenv("VARNOK_FAULT");
  if (name == nullptr) return Fault::kNone;
  static const struct { const char* name; Fault fault; } kFaults[] = {
      {"crash-on-load", Fault::kCrashOnLoad}, {"hang-in-info", Fault::kHangInInfo},
      {"crash-on-keyboard", Fault::kCrashOnKeyboard}, {"nan", Fault::kNan},
      {"denormal", Fault::kDenormal}, {"heap", Fault::kHeap}, {"lock", Fault::kLock},
      {"rounding", Fault::kRounding}, {"sse-rounding", Fault::kSseRounding},
      {"flush-to-zero", Fault::kFlushToZero}, {"denormals-are-zero", Fault::kDenormalsAreZero},
      {"unclamped-tracks", Fault::kUnclampedTracks}, {"heap-in-halt", Fault::kHeapInHalt},
      {"heap-in-track-count", Fault::kHeapInTrackCount}, {"hang-in-tick", Fault::kHangInTick},
      {"crash-in-tick", Fault::kCrashInTick},
      {"false-but-wrote", Fault::kFalseButWrote}, {"true-but-unwritten", Fault::kTrueButUnwritten},
      {"block-dependent", Fault::kBlockDependent}, {"drifting-state", Fault::kDriftingState},
      {"loud-out-of-range", Fault::kLoudOutOfRange}, {"nan-out-of-range", Fault::kNanOutOfRange}};
  for (const auto& entry : kFaults) {
    if (std::strcmp(entry.name, name) == 0) return entry.fault;
  }
  return Fault::kNone;
}

const varnok::ParamDescriptor kNote = {varnok::kNoteParam, "Note", "Note", 1, 156, 0, 4, 0};
const varnok::ParamDescriptor* const kParams[] = {&kNote};
const varnok::AttributeDescriptor kLevel = {"Level", 0, 10, 5};
const varnok::AttributeDescriptor* const kAttributes[] = {&kLevel};

const varnok::MachineDescription kFaultyDescription = {
    varnok::kMachineKind, varnok::kInterfaceVersion, 0,
    /*min_tracks=*/1, /*max_tracks=*/4,
    /*global_param_count=*/0, /*track_param_count=*/1, kParams,
    /*attribute_count=*/1, kAttributes,
    "Faulty Machine", "Faulty", varnok::kAuthor, nullptr};

constexpr int kMostTracks = 4;

// The library's own constructor, run as it is loaded, before any export.
const struct CrashOnLoad {
  CrashOnLoad() {
    if (FaultFromEnvironment() == Fault::kCrashOnLoad) __builtin_trap();
  }
} crash_on_load;

const varnok::MachineDescription& FaultyDescription() {
  if (FaultFromEnvironment() == Fault::kHangInInfo) {
    for (volatile int forever = 1; forever;) {
    }
  }
  return kFaultyDescription;
}

class FaultyMachine final : public varnok::Machine<FaultyMachine> {
 public:
  FaultyMachine() noexcept {
    track_values = notes_;
    attribute_values = &level_;
  }

  void MACHINE_CALL SetTrackCount(int count) noexcept override {
    if (fault_ == Fault::kHeapInTrackCount) UseHeap();
    tracks_ = fault_ == Fault::kUnclampedTracks ? count : std::clamp(count, 0, kMostTracks);
  }

  void MACHINE_CALL ApplyTick() noexcept override {
    if (fault_ == Fault::kHangInTick) {
      for (volatile int forever = 1; forever;) {
      }
    }
    if (fault_ == Fault::kCrashInTick) __builtin_trap();
    for (int t = 0; t < tracks_; ++t) {
      if (notes_[t] == varnok::kNoteOff) playing_ = false;
      if (notes_[t] != varnok::kNoNote && notes_[t] != varnok::kNoteOff) playing_ = true;
    }
  }

  bool MACHINE_CALL Render(float* samples, int count, int) noexcept override {
    if (!playing_) {
      if (fault_ == Fault::kFalseButWrote) samples[0] = 1.0f;
      return false;
    }
    const int written = fault_ == Fault::kTrueButUnwritten ? count - 1 : count;
    for (int i = 0; i < written; ++i) {
      samples[i] = fault_ == Fault::kBlockDependent ? static_cast<float>(i) : NextSample();
    }
    Misbehave(samples);
    return true;
  }

  void MACHINE_CALL OnMidiNote(int, int, int velocity) noexcept override {
    if (fault_ == Fault::kCrashOnKeyboard) __builtin_trap();
    playing_ = velocity > 0;
  }

  void MACHINE_CALL Halt() noexcept override {
    if (fault_ == Fault::kHeapInHalt) UseHeap();
    playing_ = false;
  }

  void MACHINE_CALL SaveState(varnok::StateOutput* out) override {
    if (fault_ == Fault::kDriftingState) ++saves_;
    out->Write(&saves_, sizeof saves_);
  }

 private:
  float NextSample() {
    phase_ = std::fmod(phase_ + 0.01, 1.0);
    const int level = level_ < kLevel.min_value ? kLevel.min_value
                      : level_ > kLevel.max_value ? kLevel.max_value
                                                  : level_;
    return static_cast<float>(phase_ * 1000.0 * level);
  }

  static void UseHeap() {
    static void* volatile kept;
    kept = std::malloc(16);
    std::free(kept);
  }

  void Misbehave(float* samples) {
    switch (fault_) {
      case Fault::kNan: samples[0] = std::nanf(""); break;
      case Fault::kDenormal: samples[0] = 1e-40f; break;
      case Fault::kHeap: UseHeap(); break;
      case Fault::kLock: TakeAndReleaseLock(); break;
      case Fault::kRounding: std::fesetround(FE_UPWARD); break;
      // MXCSR alone, one field each.
      case Fault::kSseRounding:
        _mm_setcsr((_mm_getcsr() & ~kSseRounding) | kRoundDownward << kSseRoundingShift);
        break;
      case Fault::kFlushToZero: _mm_setcsr(_mm_getcsr() | kFlushToZero); break;
      case Fault::kDenormalsAreZero: _mm_setcsr(_mm_getcsr() | kDenormalsAreZero); break;
      case Fault::kLoudOutOfRange:
        if (level_ > kLevel.max_value || level_ < kLevel.min_value) samples[0] = 4e6f;
        break;
      case Fault::kNanOutOfRange:
        if (level_ > kLevel.max_value || level_ < kLevel.min_value) samples[0] = std::nanf("");
        break;
      default: break;
    }
  }

  const Fault fault_ = FaultFromEnvironment();
  std::uint8_t notes_[kMostTracks] = {};
  std::int32_t level_ = 0;
  int tracks_ = 0;
  bool playing_ = false;
  double phase_ = 0.0;
  std::int32_t saves_ = 0;
};

}  // namespace

VARNOK_MACHINE_PLUGIN(FaultyMachine, FaultyDescription())
