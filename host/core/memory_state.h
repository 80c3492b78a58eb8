// Stored machine state kept in memory, as the host's song file would hold it.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/host_objects.h"

namespace varnok::host {

class MemoryStateInput final : public StateInput {
 public:
  explicit MemoryStateInput(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  // Past the end of the stored bytes, yields zero bytes and notes the overrun;
  // never reads outside the store.
  void MACHINE_CALL Read(void* buffer, int size) override;

  bool RanOut() const { return ran_out_; }
  std::size_t Position() const { return position_; }
  // Read calls made so far, to bound a reader that never stops.
  std::size_t ReadCalls() const { return read_calls_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t position_ = 0;
  std::size_t read_calls_ = 0;
  bool ran_out_ = false;
};

class MemoryStateOutput final : public StateOutput {
 public:
  void MACHINE_CALL Write(const void* buffer, int size) override;
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace varnok::host
