// The window settings stored with the song: tagged 32-bit pairs closed by an
// "END " pair. Scoped objects keep a stream well formed however reading or
// writing ends.
#pragma once

#include <cstdint>

#include "framework/host_objects.h"

namespace varnok::analyzer {

// A four-character code, first character in the most significant byte.
constexpr std::int32_t FourCharacterTag(const char (&code)[5]) noexcept {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
                                   (static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
                                   (static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
                                   static_cast<std::uint32_t>(static_cast<unsigned char>(code[3])));
}

inline constexpr std::int32_t kRefreshRateTag = FourCharacterTag("REFR");
inline constexpr std::int32_t kAveragingTag = FourCharacterTag("AVER");
inline constexpr std::int32_t kEndTag = FourCharacterTag("END ");

// Reads pairs positionally: each Get consumes one pair. [ui] during Initialize.
class SettingsReader final {
 public:
  // Beyond this many pairs a stream is taken to have no end tag.
  static constexpr int kMostPairs = 64;

  explicit SettingsReader(StateInput* input) noexcept : input_(input), done_(input == nullptr) {}
  // Reads on to the end tag.
  ~SettingsReader();
  SettingsReader(const SettingsReader&) = delete;
  SettingsReader& operator=(const SettingsReader&) = delete;

  // The value of the next pair when its tag is `tag`, else `fallback`.
  std::int32_t Get(std::int32_t tag, std::int32_t fallback) noexcept;

 private:
  // Reads one pair; false (and done) at the end tag or where the stored state
  // has ended: a host yields no bytes there, and no pair has the tag 0.
  bool ReadPair(std::int32_t& tag, std::int32_t& value) noexcept;
  std::int32_t ReadWord() noexcept;

  StateInput* input_;
  bool done_;
  int pairs_read_ = 0;
};

// [ui] during SaveState.
class SettingsWriter final {
 public:
  explicit SettingsWriter(StateOutput* output) noexcept : output_(output) {}
  // Closes the stream with the end tag.
  ~SettingsWriter();
  SettingsWriter(const SettingsWriter&) = delete;
  SettingsWriter& operator=(const SettingsWriter&) = delete;

  void Put(std::int32_t tag, std::int32_t value) noexcept;

 private:
  void WriteWord(std::int32_t word) noexcept;
  StateOutput* output_;
};

}  // namespace varnok::analyzer
