// The host's side in emulated memory: HostServices objects whose slots enter
// the host, the StateInput and StateOutput lent during a call, the scratch
// buffer, copies of the oscillator tables and the buffer samples are copied
// through around Render. One bridge serves every emulated machine.
#pragma once

#include <cstdint>
#include <map>

#include "framework/host_objects.h"
#include "host/pe32/guest_process.h"

namespace varnok::host::pe32 {

class HostBridge final {
 public:
  // The samples a Render call may carry: the host's largest block, and more.
  static constexpr std::uint32_t kSampleCapacity = 65536;

  explicit HostBridge(GuestProcess& process);

  // A guest HostServices object answering with `services`; given back by
  // ReleaseServices.
  GuestAddress NewServices(HostServices* services);
  void ReleaseServices(GuestAddress object);

  // The guest objects that stand for `input` / `output` until the call ends.
  GuestAddress LendInput(StateInput* input);
  GuestAddress LendOutput(StateOutput* output);
  void EndLoan() {
    input_ = nullptr;
    output_ = nullptr;
  }

  GuestAddress Samples() const { return samples_; }

 private:
  std::uint64_t ScratchBuffer(EntryCall& call);
  std::uint64_t OscillatorTable(EntryCall& call);
  HostServices* ServicesOf(EntryCall& call);

  GuestProcess& process_;
  GuestAddress services_table_ = 0;
  GuestAddress input_object_ = 0;
  GuestAddress output_object_ = 0;
  GuestAddress scratch_ = 0;
  GuestAddress samples_ = 0;
  std::map<GuestAddress, HostServices*> services_;
  std::map<const std::int16_t*, GuestAddress> tables_;
  StateInput* input_ = nullptr;
  StateOutput* output_ = nullptr;
};

HostBridge& BridgeOf(GuestProcess& process);

}  // namespace varnok::host::pe32
