#include "host/pe32/guest_memory.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <new>

#include "host/pe32/guest_error.h"

namespace varnok::host::pe32 {
namespace {

constexpr std::uint64_t kSpan = 1ull << 32;

std::string Count(std::uint32_t bytes) { return bytes == 1 ? "1 byte" : std::to_string(bytes) + " bytes"; }

struct PageRange {
  std::uint32_t first;  // page numbers
  std::uint32_t end;
};

PageRange PagesOf(GuestAddress address, std::uint32_t size) {
  const std::uint64_t end = static_cast<std::uint64_t>(address) + size;
  return {address / GuestMemory::kPage,
          static_cast<std::uint32_t>((end + GuestMemory::kPage - 1) / GuestMemory::kPage)};
}

}  // namespace

// Reserved, not backed: only what is committed, and of that only what is
// touched, costs memory.
GuestMemory::GuestMemory() {
  void* block = mmap(nullptr, kSpan, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (block == MAP_FAILED) throw std::bad_alloc();
  pages_ = static_cast<std::uint8_t*>(std::calloc(kPages, 1));
  if (pages_ == nullptr) {
    munmap(block, kSpan);
    throw std::bad_alloc();
  }
  bytes_ = static_cast<std::uint8_t*>(block);
}

GuestMemory::~GuestMemory() {
  std::free(pages_);
  munmap(bytes_, kSpan);
}

void GuestMemory::Commit(GuestAddress address, std::uint32_t size) {
  const PageRange range = PagesOf(address, size);
  const std::size_t start = static_cast<std::size_t>(range.first) * kPage;
  const std::size_t length = static_cast<std::size_t>(range.end - range.first) * kPage;
  if (mprotect(bytes_ + start, length, PROT_READ | PROT_WRITE) != 0) {
    throw GuestError("cannot back " + std::to_string(length) + " bytes of guest memory at " + Hex(address));
  }
  for (std::uint32_t page = range.first; page < range.end; ++page) pages_[page] |= kBacked;
}

void GuestMemory::Decommit(GuestAddress address, std::uint32_t size) {
  const PageRange range = PagesOf(address, size);
  const std::size_t start = static_cast<std::size_t>(range.first) * kPage;
  const std::size_t length = static_cast<std::size_t>(range.end - range.first) * kPage;
  madvise(bytes_ + start, length, MADV_DONTNEED);  // the next commit reads zeros
  mprotect(bytes_ + start, length, PROT_NONE);
  for (std::uint32_t page = range.first; page < range.end; ++page) pages_[page] &= kForeign;
}

void GuestMemory::SetAccess(GuestAddress address, std::uint32_t size, std::uint32_t access) {
  const PageRange range = PagesOf(address, size);
  for (std::uint32_t page = range.first; page < range.end; ++page) {
    pages_[page] = static_cast<std::uint8_t>((pages_[page] & (kBacked | kForeign)) |
                                             (access & (kRead | kWrite | kExecute)));
  }
}

void GuestMemory::SetForeignPage(GuestAddress page, std::uint8_t* host) {
  page &= ~(kPage - 1);
  if (host != nullptr) {
    foreign_[page] = host;
    pages_[page / kPage] |= kForeign;
  } else {
    foreign_.erase(page);
    pages_[page / kPage] &= static_cast<std::uint8_t>(~kForeign);
  }
}

// A range on a foreign page must stay on it: the host's page has no neighbours.
std::uint8_t* GuestMemory::View(GuestAddress address, std::uint32_t size, std::uint8_t wanted) const noexcept {
  const PageRange range = PagesOf(address, size == 0 ? 1 : size);
  if (static_cast<std::uint64_t>(range.end) * kPage > kSpan) return nullptr;
  bool foreign = false;
  for (std::uint32_t page = range.first; page < range.end; ++page) {
    const std::uint8_t state = pages_[page];
    if ((state & (kBacked | kForeign)) == 0 || (state & wanted) != wanted) return nullptr;
    foreign = foreign || (state & kForeign) != 0;
  }
  if (!foreign) return bytes_ + address;
  if (range.end - range.first != 1) return nullptr;
  const auto found = foreign_.find(address & ~(kPage - 1));
  return found == foreign_.end() ? nullptr : found->second + (address & (kPage - 1));
}

std::uint8_t* GuestMemory::Host(GuestAddress address, std::uint32_t size) const noexcept {
  return View(address, size, 0);
}

std::uint8_t* GuestMemory::Backing(GuestAddress address, std::uint32_t size) const {
  std::uint8_t* at = Host(address, size);
  if (at == nullptr) {
    throw GuestError(Count(size) + " at " + Hex(address) + " outside the emulated memory");
  }
  return at;
}

std::uint8_t* GuestMemory::Reach(GuestAddress address, std::uint32_t size, std::uint32_t access) const noexcept {
  return View(address, size, static_cast<std::uint8_t>(access & (kRead | kWrite | kExecute)));
}

const std::uint8_t* GuestMemory::Readable(GuestAddress address, std::uint32_t size) const {
  const std::uint8_t* at = Reach(address, size, kRead);
  if (at == nullptr) {
    throw GuestError("reads " + Count(size) + " at " + Hex(address) +
                     ", memory it cannot read");
  }
  return at;
}

std::uint8_t* GuestMemory::Writable(GuestAddress address, std::uint32_t size) const {
  std::uint8_t* at = Reach(address, size, kWrite);
  if (at == nullptr) {
    throw GuestError("writes " + Count(size) + " at " + Hex(address) +
                     ", memory it cannot write");
  }
  return at;
}

std::uint32_t GuestMemory::AccessOf(GuestAddress address) const noexcept {
  const std::uint8_t state = pages_[address / kPage];
  return (state & (kBacked | kForeign)) == 0 ? 0 : state & (kRead | kWrite | kExecute);
}

std::uint32_t GuestMemory::Read32(GuestAddress address) const {
  std::uint32_t value;
  std::memcpy(&value, Readable(address, 4), 4);
  return value;
}

std::uint16_t GuestMemory::Read16(GuestAddress address) const {
  std::uint16_t value;
  std::memcpy(&value, Readable(address, 2), 2);
  return value;
}

void GuestMemory::Write32(GuestAddress address, std::uint32_t value) {
  std::memcpy(Writable(address, 4), &value, 4);
}

void GuestMemory::Write16(GuestAddress address, std::uint16_t value) {
  std::memcpy(Writable(address, 2), &value, 2);
}

// A page at a time: what lies beyond the terminator is not the string's.
std::string GuestMemory::ReadString(GuestAddress address, std::size_t limit) const {
  std::string text;
  GuestAddress at = address;
  while (text.size() < limit) {
    const std::uint32_t in_page = kPage - (at & (kPage - 1));
    const auto chunk = static_cast<std::uint32_t>(std::min<std::size_t>(in_page, limit - text.size()));
    const auto* bytes = reinterpret_cast<const char*>(Readable(at, 1));
    const std::size_t length = strnlen(bytes, chunk);
    text.append(bytes, length);
    if (length < chunk) return text;
    at += chunk;
    if (at == 0) break;  // ran off the top of the address space
  }
  throw GuestError("string at " + Hex(address) + " has no end within " + std::to_string(limit) +
                   " bytes");
}

}  // namespace varnok::host::pe32
