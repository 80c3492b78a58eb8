// Where each operation of the interface runs, when it may be called, and how
// it lies in a 32-bit process: the tags written above the operations in
// machine_base.h and host_objects.h, their slots and argument counts, and the
// offsets of MachineBase's fields, as one table that the validator probes by,
// that the processor emulator calls by, and that a test holds to those headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varnok {

// [audio]: the host's audio processing; [ui]: its user-interface side; [any]:
// either, so it must be as safe as an audio-side call.
enum class CallSide { kAudio, kUi, kAny };

struct SlotTag {
  const char* operation;
  CallSide side;
  const char* state;  // when it may be called
  int slot;           // its place in its object's table of operations, from 1
  int arguments;      // 32-bit words passed after `this`
};

// On a 32-bit host a table entry, an argument and a field each take 4 bytes.
inline constexpr std::uint32_t kWord32 = 4;

// MachineBase's operations, indexed by slot number - 1.
enum class MachineSlot : int {
  kDeletingDestructor, kInitialize, kApplyTick, kRender, kRenderSecondary, kHalt, kSaveState,
  kApplyAttributes, kRunCommand, kSetTrackCount, kExtTrackNotify, kExtTrackQuery, kOnMidiNote,
  kOnHostEvent, kExtDescribe, kExtList, kExtStart, kExtStop, kExtPosition,
};

inline constexpr SlotTag kMachineSlotTags[] = {
    {"DeletingDestructor", CallSide::kUi, "last, after every other call", 1, 1},
    {"Initialize", CallSide::kUi, "once, first", 2, 1},
    {"ApplyTick", CallSide::kAudio, "after Initialize, once per tick", 3, 0},
    {"Render", CallSide::kAudio, "after Initialize, between ticks", 4, 3},
    {"RenderSecondary", CallSide::kAudio, "after Initialize", 5, 4},
    {"Halt", CallSide::kAudio, "after Initialize, when playback stops", 6, 0},
    {"SaveState", CallSide::kUi, "after Initialize", 7, 1},
    {"ApplyAttributes", CallSide::kUi, "after Initialize", 8, 0},
    {"RunCommand", CallSide::kUi, "after Initialize", 9, 1},
    {"SetTrackCount", CallSide::kAny, "after Initialize, also while playing", 10, 1},
    {"ExtTrackNotify", CallSide::kAny, "after Initialize", 11, 1},
    {"ExtTrackQuery", CallSide::kAny, "after Initialize", 12, 1},
    {"OnMidiNote", CallSide::kAudio, "after Initialize", 13, 3},
    {"OnHostEvent", CallSide::kAny, "after Initialize", 14, 1},
    {"ExtDescribe", CallSide::kAny, "after Initialize", 15, 2},
    {"ExtList", CallSide::kAny, "after Initialize", 16, 0},
    {"ExtStart", CallSide::kAny, "after Initialize", 17, 3},
    {"ExtStop", CallSide::kAny, "after Initialize", 18, 0},
    {"ExtPosition", CallSide::kAny, "after Initialize", 19, 1},
};
static_assert(sizeof kMachineSlotTags / sizeof kMachineSlotTags[0] ==
                  static_cast<std::size_t>(MachineSlot::kExtPosition) + 1,
              "one tag per slot");

constexpr const SlotTag& TagOf(MachineSlot slot) {
  return kMachineSlotTags[static_cast<int>(slot)];
}

constexpr bool SlotsInTableOrder() {
  for (std::size_t i = 0; i < sizeof kMachineSlotTags / sizeof kMachineSlotTags[0]; ++i) {
    if (kMachineSlotTags[i].slot != static_cast<int>(i) + 1) return false;
  }
  return true;
}
static_assert(SlotsInTableOrder(), "a machine slot's row is its place in the table");

// Where the operation's address lies in a 32-bit object's table.
constexpr std::uint32_t TableOffset32(const SlotTag& tag) {
  return kWord32 * static_cast<std::uint32_t>(tag.slot - 1);
}

// MachineBase's fields, in order after the table pointer.
enum class MachineField : int { kGlobalValues, kTrackValues, kAttributeValues, kHostInfo, kHostServices };

constexpr std::uint32_t FieldOffset32(MachineField field) {
  return kWord32 * (1u + static_cast<std::uint32_t>(field));
}

// Operations in HostServices' table; a machine calls two of them.
inline constexpr int kHostServicesSlots = 14;

// The host's operations that machines call: two of HostServices, then the
// first of StateInput and of StateOutput.
enum class HostCall : int { kScratchBuffer, kOscillatorTable, kRead, kWrite };

inline constexpr SlotTag kHostCallTags[] = {
    {"ScratchBuffer", CallSide::kAudio, "during Render", 8, 0},
    {"OscillatorTable", CallSide::kAny, "after Initialize has begun", 14, 1},
    {"Read", CallSide::kUi, "during Initialize", 1, 2},
    {"Write", CallSide::kUi, "during SaveState", 1, 2},
};
static_assert(sizeof kHostCallTags / sizeof kHostCallTags[0] ==
                  static_cast<std::size_t>(HostCall::kWrite) + 1,
              "one tag per host call");

constexpr const SlotTag& TagOf(HostCall call) { return kHostCallTags[static_cast<int>(call)]; }

}  // namespace varnok
