#include "host/pe32/guest_memory.h"

#include <sys/mman.h>

#include <new>

#include "host/pe32/guest_error.h"

namespace varnok::host::pe32 {

// Reserved, not committed: only the pages the guest touches cost memory.
GuestMemory::GuestMemory() {
  void* block = mmap(nullptr, kSize, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (block == MAP_FAILED) throw std::bad_alloc();
  bytes_ = static_cast<std::uint8_t*>(block);
}

GuestMemory::~GuestMemory() { munmap(bytes_, kSize); }

std::uint8_t* GuestMemory::Checked(GuestAddress address, std::uint32_t size) const {
  std::uint8_t* at = Host(address, size);
  if (at == nullptr) {
    throw GuestError("access to " + std::to_string(size) + " bytes at " + Hex(address) +
                     ", outside the emulated memory");
  }
  return at;
}

std::uint32_t GuestMemory::Read32(GuestAddress address) const {
  std::uint32_t value;
  std::memcpy(&value, Checked(address, 4), 4);
  return value;
}

std::uint16_t GuestMemory::Read16(GuestAddress address) const {
  std::uint16_t value;
  std::memcpy(&value, Checked(address, 2), 2);
  return value;
}

void GuestMemory::Write32(GuestAddress address, std::uint32_t value) {
  std::memcpy(Checked(address, 4), &value, 4);
}

void GuestMemory::Write16(GuestAddress address, std::uint16_t value) {
  std::memcpy(Checked(address, 2), &value, 2);
}

std::string GuestMemory::ReadString(GuestAddress address, std::size_t limit) const {
  std::string text;
  for (std::size_t i = 0; i < limit; ++i) {
    const char c = static_cast<char>(*Checked(address + static_cast<GuestAddress>(i), 1));
    if (c == '\0') return text;
    text.push_back(c);
  }
  throw GuestError("string at " + Hex(address) + " has no end within " + std::to_string(limit) +
                   " bytes");
}

}  // namespace varnok::host::pe32
