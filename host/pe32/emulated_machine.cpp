#include "host/pe32/emulated_machine.h"

#include <csignal>
#include <cstdio>
#include <cstring>

#include "host/pe32/guest_error.h"
#include "host/pe32/host_bridge.h"

namespace varnok::host::pe32 {
namespace {

// Offsets of MachineBase's fields in the 32-bit object.
constexpr std::uint32_t kGlobalValues = 4, kTrackValues = 8, kAttributeValues = 12,
                        kHostInfo = 16, kHostServices = 20;
constexpr std::uint32_t kInfoBytes = sizeof(HostInfo);

constexpr const char* kSlotNames[] = {
    "destructor", "Initialize", "ApplyTick", "Render", "RenderSecondary", "Halt", "SaveState",
    "ApplyAttributes", "RunCommand", "SetTrackCount", "ExtTrackNotify", "ExtTrackQuery",
    "OnMidiNote", "OnHostEvent", "ExtDescribe", "ExtList", "ExtStart", "ExtStop", "ExtPosition"};
static_assert(sizeof kSlotNames / sizeof kSlotNames[0] == 19, "one name per slot");

bool Truth(std::uint32_t eax) { return (eax & 0xFF) != 0; }  // a one-byte bool in AL

}  // namespace

EmulatedMachine::EmulatedMachine(GuestProcess& process, const LoadedModule& module, GuestAddress object)
    : process_(process),
      module_name_(module.name),
      object_(object),
      info_(process.HostAllocate(kInfoBytes)),
      services_(BridgeOf(process).NewServices(nullptr)) {
  // Named now: the audio path must not build strings.
  for (int slot = 0; slot < 19; ++slot) slot_names_[slot] = module_name_ + ": " + kSlotNames[slot];
  ReadValueBlocks();
}

EmulatedMachine::~EmulatedMachine() {
  BridgeOf(process_).ReleaseServices(services_);
  process_.HostRelease(info_, kInfoBytes);
}

void* EmulatedMachine::HostPointer(GuestAddress address) const {
  return address == 0 ? nullptr : process_.Memory().Host(address);
}

void EmulatedMachine::ReadValueBlocks() {
  GuestMemory& memory = process_.Memory();
  global_values = static_cast<std::uint8_t*>(HostPointer(memory.Read32(object_ + kGlobalValues)));
  track_values = static_cast<std::uint8_t*>(HostPointer(memory.Read32(object_ + kTrackValues)));
  attribute_values = static_cast<std::int32_t*>(HostPointer(memory.Read32(object_ + kAttributeValues)));
}

// The host owns host_info and host_services and may change them at any time;
// the guest object sees them as emulated copies, current at every call.
void EmulatedMachine::MirrorHostFields() {
  GuestMemory& memory = process_.Memory();
  if (host_info != nullptr) std::memcpy(memory.Checked(info_, kInfoBytes), host_info, kInfoBytes);
  memory.Write32(object_ + kHostInfo, host_info != nullptr ? info_ : 0);
  if (host_services != bridged_services_) {
    BridgeOf(process_).ReleaseServices(services_);
    services_ = BridgeOf(process_).NewServices(host_services);
    bridged_services_ = host_services;
  }
  memory.Write32(object_ + kHostServices, host_services != nullptr ? services_ : 0);
}

std::uint32_t EmulatedMachine::Invoke(int slot, std::initializer_list<std::uint32_t> arguments) {
  MirrorHostFields();
  const std::string& what = slot_names_[slot - 1];
  GuestMemory& memory = process_.Memory();
  // As the host's compiler calls a virtual function: through the object's table.
  const GuestAddress table = memory.Read32(object_);
  const GuestAddress function = memory.Read32(table + 4u * static_cast<std::uint32_t>(slot - 1));
  try {
    return static_cast<std::uint32_t>(process_.Call(what, function, Convention::kThiscall, arguments, object_));
  } catch (const GuestFault& fault) {
    // A native machine that faults takes the host with it; so does this one,
    // after saying where.
    std::fprintf(stderr, "machine-host: %s\n", fault.what());
    std::signal(fault.Signal(), SIG_DFL);
    std::raise(fault.Signal());
    throw;
  }
}

void* MACHINE_CALL EmulatedMachine::DeletingDestructor(unsigned int flags) noexcept {
  try {
    // After a fault the guest object is left alone: the fault was reported.
    if (!process_.Broken()) Invoke(1, {flags});
  } catch (const HostError& error) {
    // Nothing can report it from here; the process stays marked broken.
    std::fprintf(stderr, "machine-host: %s\n", error.what());
  }
  if (flags & 1u) delete this;
  return this;
}

void MACHINE_CALL EmulatedMachine::Initialize(StateInput* saved) {
  {
    const StateLoan loan(BridgeOf(process_), saved);
    Invoke(2, {loan.Object()});
  }
  ReadValueBlocks();
}

void MACHINE_CALL EmulatedMachine::ApplyTick() { Invoke(3, {}); }

bool MACHINE_CALL EmulatedMachine::Render(float* samples, int count, int mode) {
  if (count < 0 || static_cast<std::uint32_t>(count) > HostBridge::kSampleCapacity) {
    throw GuestError(module_name_ + ": Render of " + std::to_string(count) +
                     " samples, more than the emulated buffer holds");
  }
  const GuestAddress buffer = BridgeOf(process_).Samples();
  const auto bytes = static_cast<std::uint32_t>(sizeof(float)) * static_cast<std::uint32_t>(count);
  std::uint8_t* copy = process_.Memory().Checked(buffer, bytes);
  std::memcpy(copy, samples, bytes);
  const bool wrote = Truth(Invoke(4, {buffer, static_cast<std::uint32_t>(count),
                                                static_cast<std::uint32_t>(mode)}));
  std::memcpy(samples, copy, bytes);
  return wrote;
}

bool MACHINE_CALL EmulatedMachine::RenderSecondary(std::int32_t a, std::int32_t b, std::int32_t c,
                                                   std::int32_t d) {
  return Truth(Invoke(5,
                      {static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b),
                       static_cast<std::uint32_t>(c), static_cast<std::uint32_t>(d)}));
}

void MACHINE_CALL EmulatedMachine::Halt() { Invoke(6, {}); }

void MACHINE_CALL EmulatedMachine::SaveState(StateOutput* out) {
  const StateLoan loan(BridgeOf(process_), out);
  Invoke(7, {loan.Object()});
}

void MACHINE_CALL EmulatedMachine::ApplyAttributes() { Invoke(8, {}); }

void MACHINE_CALL EmulatedMachine::RunCommand(int index) {
  Invoke(9, {static_cast<std::uint32_t>(index)});
}

void MACHINE_CALL EmulatedMachine::SetTrackCount(int count) {
  Invoke(10, {static_cast<std::uint32_t>(count)});
}

void MACHINE_CALL EmulatedMachine::ExtTrackNotify(int value) {
  Invoke(11, {static_cast<std::uint32_t>(value)});
}

bool MACHINE_CALL EmulatedMachine::ExtTrackQuery(int value) {
  return Truth(Invoke(12, {static_cast<std::uint32_t>(value)}));
}

void MACHINE_CALL EmulatedMachine::OnMidiNote(int channel, int note, int velocity) {
  Invoke(13, {static_cast<std::uint32_t>(channel), static_cast<std::uint32_t>(note),
                            static_cast<std::uint32_t>(velocity)});
}

void MACHINE_CALL EmulatedMachine::OnHostEvent(std::uint32_t event) { Invoke(14, {event}); }

void* MACHINE_CALL EmulatedMachine::ExtDescribe(int a, int b) {
  return HostPointer(Invoke(15, {static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b)}));
}

void* MACHINE_CALL EmulatedMachine::ExtList() { return HostPointer(Invoke(16, {})); }

bool MACHINE_CALL EmulatedMachine::ExtStart(int a, int b, int c) {
  return Truth(Invoke(17, {static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b),
                                       static_cast<std::uint32_t>(c)}));
}

void MACHINE_CALL EmulatedMachine::ExtStop() { Invoke(18, {}); }

int MACHINE_CALL EmulatedMachine::ExtPosition(int value) {
  return static_cast<std::int32_t>(Invoke(19, {static_cast<std::uint32_t>(value)}));
}

}  // namespace varnok::host::pe32
