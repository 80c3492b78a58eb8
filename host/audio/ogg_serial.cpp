#include "host/audio/ogg_serial.h"

#include <array>
#include <cstring>

namespace varnok::host {
namespace {

// Page header fields (the Ogg bitstream format).
constexpr std::size_t kHeaderBytes = 27;
constexpr std::size_t kSerialAt = 14;
constexpr std::size_t kChecksumAt = 22;
constexpr std::size_t kSegmentCountAt = 26;
constexpr std::uint32_t kSerial = 1;
constexpr std::uint32_t kPolynomial = 0x04C11DB7;  // CRC-32, unreflected, starting at 0

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t r = i << 24;
    for (int bit = 0; bit < 8; ++bit) r = (r & 0x80000000u) != 0 ? (r << 1) ^ kPolynomial : r << 1;
    table[i] = r;
  }
  return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

std::uint32_t Checksum(const std::uint8_t* page, std::size_t count) {
  std::uint32_t crc = 0;
  for (std::size_t i = 0; i < count; ++i) crc = (crc << 8) ^ kCrcTable[((crc >> 24) ^ page[i]) & 0xFF];
  return crc;
}

void PutU32(std::uint8_t* at, std::uint32_t v) {
  for (int b = 0; b < 4; ++b) at[b] = static_cast<std::uint8_t>(v >> (8 * b));
}

// The length of the complete page at the front of `bytes`, or 0 while it is incomplete.
std::size_t PageLength(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < kHeaderBytes) return 0;
  const std::size_t header = kHeaderBytes + bytes[kSegmentCountAt];
  if (bytes.size() < header) return 0;
  std::size_t length = header;
  for (std::size_t s = kHeaderBytes; s < header; ++s) length += bytes[s];
  return bytes.size() < length ? 0 : length;
}

}  // namespace

bool OggSerialFixer::Feed(const std::uint8_t* bytes, std::size_t count) {
  pending_.insert(pending_.end(), bytes, bytes + count);
  for (;;) {
    if (pending_.size() >= 4 && std::memcmp(pending_.data(), "OggS", 4) != 0) return Flush();  // not Ogg: as it is
    const std::size_t length = PageLength(pending_);
    if (length == 0) return true;
    std::uint8_t* page = pending_.data();
    PutU32(page + kSerialAt, kSerial);
    PutU32(page + kChecksumAt, 0);
    PutU32(page + kChecksumAt, Checksum(page, length));
    if (!sink_(page, length)) return false;
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length));
  }
}

bool OggSerialFixer::Flush() {
  const bool taken = pending_.empty() || sink_(pending_.data(), pending_.size());
  pending_.clear();
  return taken;
}

}  // namespace varnok::host
