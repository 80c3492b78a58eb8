// The emulated machine's 32-bit address space: all of it reserved in host
// memory, backed only where committed, so a guest address is the block's
// start plus the address and the host reads and writes guest memory in place.
// Each page also records what guest code may do with it, so that every
// pointer a machine hands the host is checked against what the machine could
// reach itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>

namespace varnok::host::pe32 {

using GuestAddress = std::uint32_t;

// What guest code may do with a page.
enum Access : std::uint32_t { kRead = 1, kWrite = 2, kExecute = 4 };

class GuestMemory final {
 public:
  static constexpr std::uint32_t kPage = 0x1000u;

  GuestMemory();
  ~GuestMemory();
  GuestMemory(const GuestMemory&) = delete;
  GuestMemory& operator=(const GuestMemory&) = delete;

  // Backs the pages of [address, address + size) with zeroed host memory,
  // or gives them back; the guest's rights to them are set apart.
  void Commit(GuestAddress address, std::uint32_t size);
  void Decommit(GuestAddress address, std::uint32_t size);
  // What guest code may do with the pages of [address, address + size).
  void SetAccess(GuestAddress address, std::uint32_t size, std::uint32_t access);
  // Backs `page` with host memory of its own (a view of shared memory), or
  // with nothing again when `host` is null.
  void SetForeignPage(GuestAddress page, std::uint8_t* host);

  // The host's own view of [address, address + size), or null unless every
  // byte is backed. For the host's objects and the loader: it does not ask
  // what the guest may do there.
  std::uint8_t* Host(GuestAddress address, std::uint32_t size = 1) const noexcept;
  // The same, throwing GuestError.
  std::uint8_t* Backing(GuestAddress address, std::uint32_t size) const;

  // The host's view of [address, address + size) when guest code could make
  // every access of `access` there itself; else null.
  std::uint8_t* Reach(GuestAddress address, std::uint32_t size, std::uint32_t access) const noexcept;
  // The same, throwing GuestError that names the access and the address.
  const std::uint8_t* Readable(GuestAddress address, std::uint32_t size) const;
  std::uint8_t* Writable(GuestAddress address, std::uint32_t size) const;
  std::uint32_t AccessOf(GuestAddress address) const noexcept;

  // Accessors for what the guest hands the host, checked as Readable and Writable.
  std::uint32_t Read32(GuestAddress address) const;
  std::uint16_t Read16(GuestAddress address) const;
  void Write32(GuestAddress address, std::uint32_t value);
  void Write16(GuestAddress address, std::uint16_t value);
  // A NUL-terminated string of at most `limit` bytes.
  std::string ReadString(GuestAddress address, std::size_t limit = 4096) const;

 private:
  static constexpr std::uint32_t kPages = 1u << 20;  // 4 GB of them
  static constexpr std::uint8_t kBacked = 8, kForeign = 16;

  std::uint8_t* View(GuestAddress address, std::uint32_t size, std::uint8_t wanted) const noexcept;

  std::uint8_t* bytes_;
  std::uint8_t* pages_;  // per page: guest Access bits, kBacked, kForeign
  std::map<GuestAddress, std::uint8_t*> foreign_;
};

}  // namespace varnok::host::pe32
