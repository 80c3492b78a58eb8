// The machine object as the host sees it: a table pointer, five fields, and
// nineteen operations in a fixed slot order.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <type_traits>
#include <utility>

#include "framework/abi.h"
#include "framework/host_objects.h"
#include "framework/slot_tags.h"

namespace varnok {

// Call order the host guarantees:
//   CreateMachine; host sets host_info and host_services;
//   Initialize once; SetTrackCount / ApplyAttributes (before notes);
//   per tick: value blocks written, then ApplyTick; Render per block between ticks;
//   Halt, RunCommand, SaveState when asked; DeletingDestructor(1) last.
// The host never runs two operations of one machine at once. The first line
// above each operation is its tag, mirrored in slot_tags.h: the side it runs
// on and when it may be called. [audio] and [any] operations neither allocate,
// lock, block nor throw.
class MachineBase {
 public:
  // [ui] last, after every other call.
  // Slot 1: the one deleting destructor, as the host's compiler lays it out.
  // Bit 0 of `flags` asks for the memory to be released. Returns the object.
  // No C++ virtual destructor here: some compilers would spend two slots on it.
  virtual void* MACHINE_CALL DeletingDestructor(unsigned int flags) noexcept = 0;
  // [ui] once, first.
  // `saved` is null when the song holds no state for this machine; it is lent
  // by the host for this call only.
  virtual void MACHINE_CALL Initialize(StateInput* saved);
  // [audio] after Initialize, once per tick.
  // The tick's values are in the value blocks.
  virtual void MACHINE_CALL ApplyTick();
  // [audio] after Initialize, between ticks.
  // True when `samples` holds a signal; a generator that wrote nothing returns
  // false and leaves the buffer untouched. count >= 1. `samples` is the host's,
  // valid until the call returns; the machine keeps no pointer into it.
  virtual bool MACHINE_CALL Render(float* samples, int count, int mode);
  // [audio] after Initialize.
  virtual bool MACHINE_CALL RenderSecondary(std::int32_t, std::int32_t, std::int32_t,
                                            std::int32_t);
  // [audio] after Initialize, when playback stops.
  virtual void MACHINE_CALL Halt();
  // [ui] after Initialize.
  // `out` is lent by the host for this call only.
  virtual void MACHINE_CALL SaveState(StateOutput* out);
  // [ui] after Initialize.
  // The host has written new values behind attribute_values.
  virtual void MACHINE_CALL ApplyAttributes();
  // [ui] after Initialize.
  // Zero-based index into the description's command list.
  virtual void MACHINE_CALL RunCommand(int index);
  // [any] after Initialize, also while playing.
  // Any int32 may arrive; the machine keeps to the tracks it has blocks for.
  virtual void MACHINE_CALL SetTrackCount(int count);
  // [any] after Initialize.
  virtual void MACHINE_CALL ExtTrackNotify(int);
  // [any] after Initialize.
  virtual bool MACHINE_CALL ExtTrackQuery(int);
  // [audio] after Initialize.
  // Keyboard note; velocity 0 is a note-off.
  virtual void MACHINE_CALL OnMidiNote(int channel, int note, int velocity);
  // [any] after Initialize.
  virtual void MACHINE_CALL OnHostEvent(std::uint32_t);
  // [any] after Initialize.
  // A non-null result would be the machine's, valid until its destructor.
  virtual void* MACHINE_CALL ExtDescribe(int, int);
  // [any] after Initialize.
  // As ExtDescribe: null, or the machine's until its destructor.
  virtual void* MACHINE_CALL ExtList();
  // [any] after Initialize.
  virtual bool MACHINE_CALL ExtStart(int, int, int);
  // [any] after Initialize.
  virtual void MACHINE_CALL ExtStop();
  // [any] after Initialize.
  virtual int MACHINE_CALL ExtPosition(int);

  // The value blocks are the machine's own, valid until its destructor; the
  // host writes into them through these pointers.
  std::uint8_t* global_values = nullptr;     // set by the machine's constructor
  std::uint8_t* track_values = nullptr;      // first track's block; stride = track params
  std::int32_t* attribute_values = nullptr;  // one int32 per attribute
  // The host's, set before Initialize and valid until the destructor returns.
  HostInfo* host_info = nullptr;
  HostServices* host_services = nullptr;

 protected:
  MachineBase() = default;
  ~MachineBase() = default;
  MachineBase(const MachineBase&) = delete;
  MachineBase& operator=(const MachineBase&) = delete;
};

// On the 32-bit host: table pointer at 0, the five fields at 4 to 20.
static_assert(sizeof(void*) != 4 || sizeof(MachineBase) == 24, "MachineBase layout");
static_assert(sizeof(bool) == 1, "bool results are one byte");

// What the 32-bit C runtime's malloc aligns a block to, and so the most a
// machine class may ask for.
inline constexpr std::size_t kMachineAlignment = 8;

// Whether `Self` keeps the default of operation `op`, or overrides it noexcept as an
// [audio] or [any] operation must be: nothing on those sides may throw.
#define VARNOK_NOEXCEPT_WHERE_TAGGED(op, args)                                      \
  static_assert(TagOf(MachineSlot::k##op).side == CallSide::kUi ||                 \
                    std::is_same_v<decltype(&Self::op), decltype(&MachineBase::op)> || \
                    noexcept(std::declval<Self&>().op args),                         \
                "an override of " #op " must be noexcept: see its tag")

// What every concrete machine derives from: supplies slot 1 for `Self`.
// Its memory came from malloc (CreateMachineOf) and goes back to free.
template <class Self>
class Machine : public MachineBase {
 public:
  void* MACHINE_CALL DeletingDestructor(unsigned int flags) noexcept final {
    // Here, where Self is complete: every machine instantiates its slot 1.
    VARNOK_NOEXCEPT_WHERE_TAGGED(Initialize, (nullptr));
    VARNOK_NOEXCEPT_WHERE_TAGGED(ApplyTick, ());
    VARNOK_NOEXCEPT_WHERE_TAGGED(Render, (nullptr, 0, 0));
    VARNOK_NOEXCEPT_WHERE_TAGGED(RenderSecondary, (0, 0, 0, 0));
    VARNOK_NOEXCEPT_WHERE_TAGGED(Halt, ());
    VARNOK_NOEXCEPT_WHERE_TAGGED(SaveState, (nullptr));
    VARNOK_NOEXCEPT_WHERE_TAGGED(ApplyAttributes, ());
    VARNOK_NOEXCEPT_WHERE_TAGGED(RunCommand, (0));
    VARNOK_NOEXCEPT_WHERE_TAGGED(SetTrackCount, (0));
    VARNOK_NOEXCEPT_WHERE_TAGGED(ExtTrackNotify, (0));
    VARNOK_NOEXCEPT_WHERE_TAGGED(ExtTrackQuery, (0));
    VARNOK_NOEXCEPT_WHERE_TAGGED(OnMidiNote, (0, 0, 0));
    VARNOK_NOEXCEPT_WHERE_TAGGED(OnHostEvent, (0u));
    VARNOK_NOEXCEPT_WHERE_TAGGED(ExtDescribe, (0, 0));
    VARNOK_NOEXCEPT_WHERE_TAGGED(ExtList, ());
    VARNOK_NOEXCEPT_WHERE_TAGGED(ExtStart, (0, 0, 0));
    VARNOK_NOEXCEPT_WHERE_TAGGED(ExtStop, ());
    VARNOK_NOEXCEPT_WHERE_TAGGED(ExtPosition, (0));
    Self* self = static_cast<Self*>(this);
    self->~Self();
    if (flags & 1u) std::free(self);
    return self;
  }
};

#undef VARNOK_NOEXCEPT_WHERE_TAGGED

}  // namespace varnok
