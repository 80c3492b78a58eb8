#include "host/pe32/host_bridge.h"

#include <cstring>
#include <memory>

#include "host/core/host_services.h"
#include "host/core/oscillator_tables.h"
#include "host/pe32/guest_error.h"

namespace varnok::host::pe32 {
namespace {

constexpr int kServiceSlots = 14;
constexpr int kScratchSlot = 8;
constexpr int kOscillatorSlot = 14;
constexpr std::uint32_t kTableBytes = kOscillatorTableSamples * sizeof(std::int16_t);

}  // namespace

HostBridge::HostBridge(GuestProcess& process) : process_(process) {
  GuestCpu& cpu = process_.Cpu();
  services_table_ = process_.HostAllocate(4 * kServiceSlots);
  for (int slot = 1; slot <= kServiceSlots; ++slot) {
    GuestAddress entry;
    if (slot == kScratchSlot) {
      entry = cpu.AddEntry("HostServices::ScratchBuffer", 0,
                           [this](EntryCall& call) { return ScratchBuffer(call); });
    } else if (slot == kOscillatorSlot) {
      entry = cpu.AddEntry("HostServices::OscillatorTable", 4,
                           [this](EntryCall& call) { return OscillatorTable(call); });
    } else {
      // The reserved slots answer nothing, as the host's do.
      entry = cpu.AddEntry("HostServices::Reserved" + std::to_string(slot), 0,
                           [](EntryCall&) -> std::uint64_t { return 0; });
    }
    process_.Memory().Write32(services_table_ + 4u * static_cast<std::uint32_t>(slot - 1), entry);
  }

  const GuestAddress input_table = process_.HostAllocate(4);
  process_.Memory().Write32(input_table, cpu.AddEntry("StateInput::Read", 8, [this](EntryCall& call) -> std::uint64_t {
    if (input_ == nullptr || call.This() != input_object_) throw GuestError("reads a StateInput it no longer holds");
    const auto size = static_cast<std::int32_t>(call.Arg(1));
    input_->Read(size > 0 ? process_.Memory().Checked(call.Arg(0), static_cast<std::uint32_t>(size))
                          : process_.Memory().Host(call.Arg(0)),
                 size);
    return 0;
  }));
  input_object_ = process_.HostAllocate(4);
  process_.Memory().Write32(input_object_, input_table);

  const GuestAddress output_table = process_.HostAllocate(4);
  process_.Memory().Write32(output_table, cpu.AddEntry("StateOutput::Write", 8, [this](EntryCall& call) -> std::uint64_t {
    if (output_ == nullptr || call.This() != output_object_) throw GuestError("writes a StateOutput it no longer holds");
    const auto size = static_cast<std::int32_t>(call.Arg(1));
    output_->Write(size > 0 ? process_.Memory().Checked(call.Arg(0), static_cast<std::uint32_t>(size))
                            : process_.Memory().Host(call.Arg(0)),
                   size);
    return 0;
  }));
  output_object_ = process_.HostAllocate(4);
  process_.Memory().Write32(output_object_, output_table);

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
  std::memcpy(process_.Memory().Checked(copy, kTableBytes), table, kTableBytes);
  return copy;
}

HostBridge& BridgeOf(GuestProcess& process) {
  static auto* bridge = new HostBridge(process);  // lives as long as the process
  return *bridge;
}

}  // namespace varnok::host::pe32
