#include "host/pe32/host_bridge.h"

#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "framework/slot_tags.h"
#include "host/core/host_services.h"
#include "host/core/oscillator_tables.h"
#include "host/pe32/guest_error.h"

namespace varnok::host::pe32 {
namespace {

constexpr std::uint32_t kTableBytes = kOscillatorTableSamples * sizeof(std::int16_t);

// The host entry for `call`: named after it, popping its arguments.
GuestAddress EntryFor(GuestCpu& cpu, const char* object, HostCall call, HostEntry entry) {
  const SlotTag& tag = TagOf(call);
  return cpu.AddEntry(std::string(object) + "::" + tag.operation,
                      static_cast<std::uint16_t>(kWord32 * static_cast<std::uint32_t>(tag.arguments)),
                      std::move(entry));
}

}  // namespace

HostBridge::HostBridge(GuestProcess& process) : process_(process) {
  GuestCpu& cpu = process_.Cpu();
  GuestMemory& memory = process_.Memory();
  services_table_ = process_.HostAllocate(kWord32 * kHostServicesSlots);
  for (int slot = 1; slot <= kHostServicesSlots; ++slot) {
    GuestAddress entry;
    if (slot == TagOf(HostCall::kScratchBuffer).slot) {
      entry = EntryFor(cpu, "HostServices", HostCall::kScratchBuffer,
                       [this](EntryCall& call) { return ScratchBuffer(call); });
    } else if (slot == TagOf(HostCall::kOscillatorTable).slot) {
      entry = EntryFor(cpu, "HostServices", HostCall::kOscillatorTable,
                       [this](EntryCall& call) { return OscillatorTable(call); });
    } else {
      // The reserved slots answer nothing, as the host's do.
      entry = cpu.AddEntry("HostServices::Reserved" + std::to_string(slot), 0,
                           [](EntryCall&) -> std::uint64_t { return 0; });
    }
    memory.Write32(services_table_ + kWord32 * static_cast<std::uint32_t>(slot - 1), entry);
  }

  const GuestAddress input_table = process_.HostAllocate(kWord32);
  memory.Write32(input_table + TableOffset32(TagOf(HostCall::kRead)),
                 EntryFor(cpu, "StateInput", HostCall::kRead, [this](EntryCall& call) -> std::uint64_t {
    if (input_ == nullptr || call.This() != input_object_) throw GuestError("reads a StateInput it no longer holds");
    const auto size = static_cast<std::int32_t>(call.Arg(1));
    input_->Read(size > 0 ? process_.Memory().Writable(call.Arg(0), static_cast<std::uint32_t>(size))
                          : process_.Memory().Reach(call.Arg(0), 1, kWrite),
                 size);
    return 0;
  }));
  input_object_ = process_.HostAllocate(kWord32);
  memory.Write32(input_object_, input_table);

  const GuestAddress output_table = process_.HostAllocate(kWord32);
  memory.Write32(output_table + TableOffset32(TagOf(HostCall::kWrite)),
                 EntryFor(cpu, "StateOutput", HostCall::kWrite, [this](EntryCall& call) -> std::uint64_t {
    if (output_ == nullptr || call.This() != output_object_) throw GuestError("writes a StateOutput it no longer holds");
    const auto size = static_cast<std::int32_t>(call.Arg(1));
    output_->Write(size > 0 ? process_.Memory().Readable(call.Arg(0), static_cast<std::uint32_t>(size))
                            : process_.Memory().Reach(call.Arg(0), 1, kRead),
                   size);
    return 0;
  }));
  output_object_ = process_.HostAllocate(kWord32);
  memory.Write32(output_object_, output_table);

  scratch_ = process_.HostAllocate(sizeof(float) * kMaxBlock);
  samples_ = process_.HostAllocate(sizeof(float) * kSampleCapacity);
}

GuestAddress HostBridge::NewServices(HostServices* services) {
  const GuestAddress object = process_.HostAllocate(4);
  process_.Memory().Write32(object, services_table_);
  services_[object] = services;
  return object;
}

void HostBridge::ReleaseServices(GuestAddress object) {
  services_.erase(object);
  process_.HostRelease(object, 4);
}

HostServices* HostBridge::ServicesOf(EntryCall& call) {
  const auto found = services_.find(call.This());
  if (found == services_.end() || found->second == nullptr) {
    throw GuestError("calls a HostServices slot through " + Hex(call.This()) + ", which is no host object");
  }
  return found->second;
}

// The host's scratch buffer is its business; the machine gets emulated memory
// of the host's size.
std::uint64_t HostBridge::ScratchBuffer(EntryCall& call) {
  ServicesOf(call)->ScratchBuffer();
  return scratch_;
}

// The host's table, copied into emulated memory; the same host table always
// lands at the same guest address, so machines may compare table addresses.
std::uint64_t HostBridge::OscillatorTable(EntryCall& call) {
  const std::int16_t* table = ServicesOf(call)->OscillatorTable(static_cast<std::int32_t>(call.Arg(0)));
  if (table == nullptr) return 0;
  GuestAddress& copy = tables_[table];
  if (copy == 0) copy = process_.HostAllocate(kTableBytes);
  std::memcpy(process_.Memory().Backing(copy, kTableBytes), table, kTableBytes);
  return copy;
}

HostBridge& BridgeOf(GuestProcess& process) {
  static auto* bridge = new HostBridge(process);  // lives as long as the process
  return *bridge;
}

}  // namespace varnok::host::pe32
