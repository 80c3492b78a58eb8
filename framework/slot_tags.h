// Where each operation of the interface runs and when it may be called: the
// tags written above the operations in machine_base.h and host_objects.h, as a
// table that the validator probes by and a test holds to those comments.
#pragma once

#include <cstddef>

namespace varnok {

// [audio]: the host's audio processing; [ui]: its user-interface side; [any]:
// either, so it must be as safe as an audio-side call.
enum class CallSide { kAudio, kUi, kAny };

struct SlotTag {
  const char* operation;
  CallSide side;
  const char* state;  // when it may be called
};

// MachineBase's operations, indexed by slot number - 1.
enum class MachineSlot : int {
  kDeletingDestructor, kInitialize, kApplyTick, kRender, kRenderSecondary, kHalt, kSaveState,
  kApplyAttributes, kRunCommand, kSetTrackCount, kExtTrackNotify, kExtTrackQuery, kOnMidiNote,
  kOnHostEvent, kExtDescribe, kExtList, kExtStart, kExtStop, kExtPosition,
};

inline constexpr SlotTag kMachineSlotTags[] = {
    {"DeletingDestructor", CallSide::kUi, "last, after every other call"},
    {"Initialize", CallSide::kUi, "once, first"},
    {"ApplyTick", CallSide::kAudio, "after Initialize, once per tick"},
    {"Render", CallSide::kAudio, "after Initialize, between ticks"},
    {"RenderSecondary", CallSide::kAudio, "after Initialize"},
    {"Halt", CallSide::kAudio, "after Initialize, when playback stops"},
    {"SaveState", CallSide::kUi, "after Initialize"},
    {"ApplyAttributes", CallSide::kUi, "after Initialize"},
    {"RunCommand", CallSide::kUi, "after Initialize"},
    {"SetTrackCount", CallSide::kAny, "after Initialize, also while playing"},
    {"ExtTrackNotify", CallSide::kAny, "after Initialize"},
    {"ExtTrackQuery", CallSide::kAny, "after Initialize"},
    {"OnMidiNote", CallSide::kAudio, "after Initialize"},
    {"OnHostEvent", CallSide::kAny, "after Initialize"},
    {"ExtDescribe", CallSide::kAny, "after Initialize"},
    {"ExtList", CallSide::kAny, "after Initialize"},
    {"ExtStart", CallSide::kAny, "after Initialize"},
    {"ExtStop", CallSide::kAny, "after Initialize"},
    {"ExtPosition", CallSide::kAny, "after Initialize"},
};
static_assert(sizeof kMachineSlotTags / sizeof kMachineSlotTags[0] ==
                  static_cast<std::size_t>(MachineSlot::kExtPosition) + 1,
              "one tag per slot");

constexpr const SlotTag& TagOf(MachineSlot slot) {
  return kMachineSlotTags[static_cast<int>(slot)];
}

// The host's operations that machines call.
inline constexpr SlotTag kHostCallTags[] = {
    {"ScratchBuffer", CallSide::kAudio, "during Render"},
    {"OscillatorTable", CallSide::kAny, "after Initialize has begun"},
    {"Read", CallSide::kUi, "during Initialize"},
    {"Write", CallSide::kUi, "during SaveState"},
};

}  // namespace varnok
