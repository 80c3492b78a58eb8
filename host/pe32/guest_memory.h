// The emulated machine's 32-bit address space, backed by one block of host
// memory: a guest address is the block's start plus an offset, so the host
// reads and writes guest memory in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace varnok::host::pe32 {

using GuestAddress = std::uint32_t;

class GuestMemory final {
 public:
  // Guest addresses [kBase, kBase + kSize) are backed; everything else is a fault.
  static constexpr GuestAddress kBase = 0x10000000u;
  static constexpr std::uint32_t kSize = 0x10000000u;
  static constexpr std::uint32_t kPage = 0x1000u;

  GuestMemory();
  ~GuestMemory();
  GuestMemory(const GuestMemory&) = delete;
  GuestMemory& operator=(const GuestMemory&) = delete;

  // Host view of `size` bytes at `address`, or null when any of them lies
  // outside the backed range.
  std::uint8_t* Host(GuestAddress address, std::uint32_t size = 1) const noexcept {
    const std::uint64_t offset = static_cast<std::uint64_t>(address) - kBase;
    if (address < kBase || offset + size > kSize) return nullptr;
    if (address - kForeignStart < kForeignPages * kPage) return Foreign(address, size);
    return bytes_ + offset;
  }

  // Pages of the view area may be backed by host pages of their own (shared
  // memory); unbacked ones there read as absent.
  static constexpr GuestAddress kForeignStart = 0x11000000u;
  static constexpr std::uint32_t kForeignPages = 256;
  void SetForeignPage(GuestAddress page, std::uint8_t* host) noexcept {
    foreign_[(page - kForeignStart) / kPage] = host;
  }

  // Checked accessors: throw GuestError for addresses outside the backed range.
  std::uint32_t Read32(GuestAddress address) const;
  std::uint16_t Read16(GuestAddress address) const;
  void Write32(GuestAddress address, std::uint32_t value);
  void Write16(GuestAddress address, std::uint16_t value);
  // A NUL-terminated string of at most `limit` bytes.
  std::string ReadString(GuestAddress address, std::size_t limit = 4096) const;
  std::uint8_t* Checked(GuestAddress address, std::uint32_t size) const;

 private:
  std::uint8_t* Foreign(GuestAddress address, std::uint32_t size) const noexcept {
    const std::uint32_t within = (address - kForeignStart) % kPage;
    std::uint8_t* page = foreign_[(address - kForeignStart) / kPage];
    if (page == nullptr || within + size > kPage) return nullptr;
    return page + within;
  }

  std::uint8_t* bytes_;
  std::uint8_t* foreign_[kForeignPages] = {};
};

}  // namespace varnok::host::pe32
