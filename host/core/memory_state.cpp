#include "host/core/memory_state.h"

#include <algorithm>
#include <cstring>

namespace varnok::host {

void MACHINE_CALL MemoryStateInput::Read(void* buffer, int size) {
  ++read_calls_;
  if (size <= 0 || buffer == nullptr) return;
  const std::size_t wanted = static_cast<std::size_t>(size);
  const std::size_t available = bytes_.size() - position_;
  const std::size_t taken = std::min(wanted, available);
  auto* out = static_cast<std::uint8_t*>(buffer);
  if (taken > 0) std::memcpy(out, bytes_.data() + position_, taken);
  std::memset(out + taken, 0, wanted - taken);
  position_ += taken;
  if (taken < wanted) ran_out_ = true;
}

void MACHINE_CALL MemoryStateOutput::Write(const void* buffer, int size) {
  if (size <= 0 || buffer == nullptr) return;
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  bytes_.insert(bytes_.end(), in, in + size);
}

}  // namespace varnok::host
