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

  GuestAddress Samples() const { return samples_; }

 private:
  friend class StateLoan;

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

// Lends a StateInput or StateOutput for one call: the guest object that stands
// for it (0 for null), taken back however the call ends.
class StateLoan final {
 public:
  StateLoan(HostBridge& bridge, StateInput* input) : bridge_(bridge) {
    bridge_.input_ = input;
    object_ = input == nullptr ? 0 : bridge_.input_object_;
  }
  StateLoan(HostBridge& bridge, StateOutput* output) : bridge_(bridge) {
    bridge_.output_ = output;
    object_ = output == nullptr ? 0 : bridge_.output_object_;
  }
  ~StateLoan() {
    bridge_.input_ = nullptr;
    bridge_.output_ = nullptr;
  }
  StateLoan(const StateLoan&) = delete;
  StateLoan& operator=(const StateLoan&) = delete;

  GuestAddress Object() const { return object_; }

 private:
  HostBridge& bridge_;
  GuestAddress object_;
};

}  // namespace varnok::host::pe32
