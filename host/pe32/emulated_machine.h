// A machine object of an emulated DLL, seen by the host as a native one: each
// of the nineteen slots is forwarded to the guest object's own slot, called as
// a 32-bit MSVC-built host calls it. The value blocks the host writes are the
// guest's own memory, checked over their whole length after every call that
// may have moved them.
#pragma once

#include <exception>
#include <iterator>
#include <string>

#include "framework/machine_base.h"
#include "framework/slot_tags.h"
#include "host/pe32/guest_process.h"

namespace varnok::host::pe32 {

class EmulatedMachine final : public MachineBase {
 public:
  // The bytes the host may write through each value block pointer.
  struct BlockSizes {
    std::uint32_t global_values;
    std::uint32_t track_values;     // every track the machine may have
    std::uint32_t attribute_values;
  };

  // `object` is what the DLL's CreateMachine returned. Throws HostError when
  // its value blocks are not the machine's own memory.
  EmulatedMachine(GuestProcess& process, const LoadedModule& module, GuestAddress object,
                  const BlockSizes& sizes);

  void* MACHINE_CALL DeletingDestructor(unsigned int flags) noexcept override;
  void MACHINE_CALL Initialize(StateInput* saved) override;
  void MACHINE_CALL ApplyTick() override;
  bool MACHINE_CALL Render(float* samples, int count, int mode) override;
  bool MACHINE_CALL RenderSecondary(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override;
  void MACHINE_CALL Halt() override;
  void MACHINE_CALL SaveState(StateOutput* out) override;
  void MACHINE_CALL ApplyAttributes() override;
  void MACHINE_CALL RunCommand(int index) override;
  void MACHINE_CALL SetTrackCount(int count) override;
  void MACHINE_CALL ExtTrackNotify(int) override;
  bool MACHINE_CALL ExtTrackQuery(int) override;
  void MACHINE_CALL OnMidiNote(int channel, int note, int velocity) override;
  void MACHINE_CALL OnHostEvent(std::uint32_t) override;
  void* MACHINE_CALL ExtDescribe(int, int) override;
  void* MACHINE_CALL ExtList() override;
  bool MACHINE_CALL ExtStart(int, int, int) override;
  void MACHINE_CALL ExtStop() override;
  int MACHINE_CALL ExtPosition(int) override;

 private:
  ~EmulatedMachine();
  // Calls the guest object's `slot` with as many 32-bit arguments as the
  // interface gives it; throws HostError on a fault.
  template <MachineSlot kSlot, class... Arguments>
  std::uint32_t Invoke(Arguments... arguments);
  void MirrorHostFields();
  // Takes the value block pointers the guest object holds now; `what` names
  // the call that may have set them.
  void ReadValueBlocks(const std::string& what);
  std::uint8_t* ValueBlock(MachineField field, std::uint32_t bytes, const char* name) const;
  void* Result(const std::string& what, GuestAddress address) const;
  [[noreturn]] void Fail(const std::string& what, const std::exception& error);

  GuestProcess& process_;
  std::string module_name_;
  std::string slot_names_[std::size(kMachineSlotTags)];
  GuestAddress object_;
  GuestAddress info_;      // the guest's copy of *host_info
  GuestAddress services_;  // the guest's HostServices object
  BlockSizes sizes_;
  HostServices* bridged_services_ = nullptr;
};

}  // namespace varnok::host::pe32
