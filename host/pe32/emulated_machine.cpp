#include "host/pe32/emulated_machine.h"

#include <cstdio>
#include <cstring>

#include "host/pe32/address_map.h"
#include "host/pe32/guest_error.h"
#include "host/pe32/host_bridge.h"

namespace varnok::host::pe32 {
namespace {

constexpr std::uint32_t kInfoBytes = sizeof(HostInfo);

constexpr std::uint32_t Field(MachineField field) { return FieldOffset32(field); }

bool Truth(std::uint32_t eax) { return (eax & 0xFF) != 0; }  // a one-byte bool in AL

}  // namespace

EmulatedMachine::EmulatedMachine(GuestProcess& process, const LoadedModule& module, GuestAddress object,
                                 const BlockSizes& sizes)
    : process_(process),
      module_name_(module.name),
      object_(object),
      info_(process.HostAllocate(kInfoBytes)),
      services_(BridgeOf(process).NewServices(nullptr)),
      sizes_(sizes) {
  // Named now: the audio path must not build strings.
  for (std::size_t slot = 0; slot < std::size(kMachineSlotTags); ++slot) {
    slot_names_[slot] = module_name_ + ": " + kMachineSlotTags[slot].operation;
  }
  try {
    ReadValueBlocks(module_name_ + ": CreateMachine");
  } catch (...) {
    BridgeOf(process_).ReleaseServices(services_);
    process_.HostRelease(info_, kInfoBytes);
    throw;
  }
}

EmulatedMachine::~EmulatedMachine() {
  BridgeOf(process_).ReleaseServices(services_);
  process_.HostRelease(info_, kInfoBytes);
}

// The stops after a bad pointer as after a fault: the machine is not to be
// trusted with another call.
void EmulatedMachine::Fail(const std::string& what, const std::exception& error) {
  const std::string text = what + ": " + error.what();
  process_.MarkBroken(text);
  throw GuestError(text);
}

// A block lies in writable memory of the guest's own: its heap, its images,
// its stack, never the host's objects in guest memory.
std::uint8_t* EmulatedMachine::ValueBlock(MachineField field, std::uint32_t bytes, const char* name) const {
  const GuestAddress at = process_.Memory().Read32(object_ + Field(field));
  if (at == 0 || bytes == 0) return nullptr;
  std::uint8_t* block = process_.Memory().Reach(at, bytes, kRead | kWrite);
  if (block == nullptr || kHostArea.Overlaps(at, bytes) || kSystemArea.Overlaps(at, bytes)) {
    throw GuestError(std::string(name) + " points at " + Hex(at) + ", where its " + std::to_string(bytes) +
                     " bytes are not the machine's own writable memory");
  }
  return block;
}

void EmulatedMachine::ReadValueBlocks(const std::string& what) {
  try {
    std::uint8_t* global = ValueBlock(MachineField::kGlobalValues, sizes_.global_values, "global_values");
    std::uint8_t* track = ValueBlock(MachineField::kTrackValues, sizes_.track_values, "track_values");
    std::uint8_t* attributes =
        ValueBlock(MachineField::kAttributeValues, sizes_.attribute_values, "attribute_values");
    global_values = global;
    track_values = track;
    attribute_values = reinterpret_cast<std::int32_t*>(attributes);
  } catch (const GuestError& error) {
    Fail(what, error);
  }
}

// A pointer the machine answers with: null, or the host's view of readable
// guest memory; the host keeps no more of it than its address.
void* EmulatedMachine::Result(const std::string& what, GuestAddress address) const {
  if (address == 0) return nullptr;
  void* result = process_.Memory().Reach(address, 1, kRead);
  if (result == nullptr) throw GuestError(what + ": returned " + Hex(address) + ", which is not readable memory");
  return result;
}

// The host owns host_info and host_services and may change them at any time;
// the guest object sees them as emulated copies, current at every call.
void EmulatedMachine::MirrorHostFields() {
  GuestMemory& memory = process_.Memory();
  if (host_info != nullptr) std::memcpy(memory.Backing(info_, kInfoBytes), host_info, kInfoBytes);
  memory.Write32(object_ + Field(MachineField::kHostInfo), host_info != nullptr ? info_ : 0);
  if (host_services != bridged_services_) {
    BridgeOf(process_).ReleaseServices(services_);
    services_ = BridgeOf(process_).NewServices(host_services);
    bridged_services_ = host_services;
  }
  memory.Write32(object_ + Field(MachineField::kHostServices), host_services != nullptr ? services_ : 0);
}

template <MachineSlot kSlot, class... Arguments>
std::uint32_t EmulatedMachine::Invoke(Arguments... arguments) {
  constexpr const SlotTag& tag = TagOf(kSlot);
  static_assert(sizeof...(Arguments) == tag.arguments, "the slot's own number of arguments");
  const std::string& what = slot_names_[tag.slot - 1];
  GuestAddress function = 0;
  try {
    MirrorHostFields();
    // As the host's compiler calls a virtual function: through the object's table.
    GuestMemory& memory = process_.Memory();
    function = memory.Read32(memory.Read32(object_) + TableOffset32(tag));
  } catch (const GuestError& error) {
    Fail(what, error);
  }
  const auto result = static_cast<std::uint32_t>(process_.Call(
      what, function, Convention::kThiscall, {static_cast<std::uint32_t>(arguments)...}, object_));
  if constexpr (kSlot != MachineSlot::kDeletingDestructor) ReadValueBlocks(what);
  return result;
}

void* MACHINE_CALL EmulatedMachine::DeletingDestructor(unsigned int flags) noexcept {
  try {
    // After a fault the guest object is left alone: the fault was reported.
    if (!process_.Broken()) Invoke<MachineSlot::kDeletingDestructor>(flags);
  } catch (const HostError& error) {
    ReportLateFailure(error);  // the process stays marked broken
  }
  if (flags & 1u) delete this;
  return this;
}

void MACHINE_CALL EmulatedMachine::Initialize(StateInput* saved) {
  const StateLoan loan(BridgeOf(process_), saved);
  Invoke<MachineSlot::kInitialize>(loan.Object());
}

void MACHINE_CALL EmulatedMachine::ApplyTick() { Invoke<MachineSlot::kApplyTick>(); }

bool MACHINE_CALL EmulatedMachine::Render(float* samples, int count, int mode) {
  if (count < 0 || static_cast<std::uint32_t>(count) > HostBridge::kSampleCapacity) {
    throw GuestError(module_name_ + ": Render of " + std::to_string(count) +
                     " samples, more than the emulated buffer holds");
  }
  const GuestAddress buffer = BridgeOf(process_).Samples();
  const auto bytes = static_cast<std::uint32_t>(sizeof(float)) * static_cast<std::uint32_t>(count);
  std::uint8_t* copy = process_.Memory().Backing(buffer, bytes);
  std::memcpy(copy, samples, bytes);
  const bool wrote = Truth(Invoke<MachineSlot::kRender>(buffer, count, mode));
  std::memcpy(samples, copy, bytes);
  return wrote;
}

bool MACHINE_CALL EmulatedMachine::RenderSecondary(std::int32_t a, std::int32_t b, std::int32_t c,
                                                   std::int32_t d) {
  return Truth(Invoke<MachineSlot::kRenderSecondary>(a, b, c, d));
}

void MACHINE_CALL EmulatedMachine::Halt() { Invoke<MachineSlot::kHalt>(); }

void MACHINE_CALL EmulatedMachine::SaveState(StateOutput* out) {
  const StateLoan loan(BridgeOf(process_), out);
  Invoke<MachineSlot::kSaveState>(loan.Object());
}

void MACHINE_CALL EmulatedMachine::ApplyAttributes() { Invoke<MachineSlot::kApplyAttributes>(); }

void MACHINE_CALL EmulatedMachine::RunCommand(int index) { Invoke<MachineSlot::kRunCommand>(index); }

void MACHINE_CALL EmulatedMachine::SetTrackCount(int count) { Invoke<MachineSlot::kSetTrackCount>(count); }

void MACHINE_CALL EmulatedMachine::ExtTrackNotify(int value) { Invoke<MachineSlot::kExtTrackNotify>(value); }

bool MACHINE_CALL EmulatedMachine::ExtTrackQuery(int value) {
  return Truth(Invoke<MachineSlot::kExtTrackQuery>(value));
}

void MACHINE_CALL EmulatedMachine::OnMidiNote(int channel, int note, int velocity) {
  Invoke<MachineSlot::kOnMidiNote>(channel, note, velocity);
}

void MACHINE_CALL EmulatedMachine::OnHostEvent(std::uint32_t event) { Invoke<MachineSlot::kOnHostEvent>(event); }

void* MACHINE_CALL EmulatedMachine::ExtDescribe(int a, int b) {
  return Result(slot_names_[TagOf(MachineSlot::kExtDescribe).slot - 1], Invoke<MachineSlot::kExtDescribe>(a, b));
}

void* MACHINE_CALL EmulatedMachine::ExtList() {
  return Result(slot_names_[TagOf(MachineSlot::kExtList).slot - 1], Invoke<MachineSlot::kExtList>());
}

bool MACHINE_CALL EmulatedMachine::ExtStart(int a, int b, int c) {
  return Truth(Invoke<MachineSlot::kExtStart>(a, b, c));
}

void MACHINE_CALL EmulatedMachine::ExtStop() { Invoke<MachineSlot::kExtStop>(); }

int MACHINE_CALL EmulatedMachine::ExtPosition(int value) {
  return static_cast<std::int32_t>(Invoke<MachineSlot::kExtPosition>(value));
}

}  // namespace varnok::host::pe32
