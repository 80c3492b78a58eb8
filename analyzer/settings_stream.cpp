#include "analyzer/settings_stream.h"

namespace varnok::analyzer {
namespace {

constexpr int kWordSize = 4;
constexpr std::int32_t kNoTag = 0;

}  // namespace

SettingsReader::~SettingsReader() {
  std::int32_t tag = 0;
  std::int32_t value = 0;
  while (ReadPair(tag, value)) {
  }
}

std::int32_t SettingsReader::Get(std::int32_t tag, std::int32_t fallback) noexcept {
  std::int32_t read_tag = 0;
  std::int32_t value = 0;
  if (!ReadPair(read_tag, value)) return fallback;
  return read_tag == tag ? value : fallback;
}

bool SettingsReader::ReadPair(std::int32_t& tag, std::int32_t& value) noexcept {
  if (done_) return false;
  tag = ReadWord();
  value = ReadWord();
  ++pairs_read_;
  if (tag == kEndTag || tag == kNoTag || pairs_read_ >= kMostPairs) done_ = true;
  return tag != kEndTag && tag != kNoTag;
}

// Stored little-endian, as the host's processor keeps it.
std::int32_t SettingsReader::ReadWord() noexcept {
  unsigned char bytes[kWordSize] = {};
  input_->Read(bytes, kWordSize);
  const std::uint32_t word = static_cast<std::uint32_t>(bytes[0]) |
                             (static_cast<std::uint32_t>(bytes[1]) << 8) |
                             (static_cast<std::uint32_t>(bytes[2]) << 16) |
                             (static_cast<std::uint32_t>(bytes[3]) << 24);
  return static_cast<std::int32_t>(word);
}

SettingsWriter::~SettingsWriter() { Put(kEndTag, 0); }

void SettingsWriter::Put(std::int32_t tag, std::int32_t value) noexcept {
  WriteWord(tag);
  WriteWord(value);
}

void SettingsWriter::WriteWord(std::int32_t word) noexcept {
  const auto bits = static_cast<std::uint32_t>(word);
  const unsigned char bytes[kWordSize] = {
      static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
      static_cast<unsigned char>(bits >> 16), static_cast<unsigned char>(bits >> 24)};
  output_->Write(bytes, kWordSize);
}

}  // namespace varnok::analyzer
