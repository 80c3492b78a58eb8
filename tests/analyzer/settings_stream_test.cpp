#include "analyzer/settings_stream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "analyzer/analyzer_window.h"
#include "host/core/memory_state.h"
#include "tests/analyzer/analyzer_fixture.h"

namespace varnok::analyzer {
namespace {

using Bytes = std::vector<std::uint8_t>;
using host::MemoryStateInput;
using host::MemoryStateOutput;

// Pairs as a host would store them: little-endian words.
Bytes Stream(std::initializer_list<std::int32_t> words) {
  Bytes bytes;
  for (std::int32_t word : words) {
    const auto bits = static_cast<std::uint32_t>(word);
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<std::uint8_t>(bits >> shift));
  }
  return bytes;
}

struct Loaded {
  std::int32_t refresh_rate;
  std::int32_t averaging;
  std::size_t bytes_read;
};

Loaded Load(const Bytes& bytes) {
  MemoryStateInput input(bytes);
  testing::MeterHost host;
  host.machine->Initialize(&input);
  return {host.machine->Window().RefreshRate(), host.machine->Window().Averaging(),
          input.Position()};
}

Bytes Save(StateInput* from) {
  testing::MeterHost host;
  host.machine->Initialize(from);
  MemoryStateOutput output;
  host.machine->SaveState(&output);
  return output.Bytes();
}

TEST(SettingsStream, TagsAreFourCharacterCodes) {
  EXPECT_EQ(kRefreshRateTag, 0x52454652);
  EXPECT_EQ(kAveragingTag, 0x41564552);
  EXPECT_EQ(kEndTag, 0x454E4420);
}

TEST(SettingsStream, SavesTwentyFourBytes) {
  EXPECT_EQ(Save(nullptr), (Bytes{0x52, 0x46, 0x45, 0x52, 0, 0, 0, 0, 0x52, 0x45, 0x56, 0x41,
                                  1, 0, 0, 0, 0x20, 0x44, 0x4E, 0x45, 0, 0, 0, 0}));
  MemoryStateInput stored(Stream({kRefreshRateTag, 2, kAveragingTag, 1, kEndTag, 0}));
  EXPECT_EQ(Save(&stored), (Bytes{0x52, 0x46, 0x45, 0x52, 2, 0, 0, 0, 0x52, 0x45, 0x56, 0x41,
                                  1, 0, 0, 0, 0x20, 0x44, 0x4E, 0x45, 0, 0, 0, 0}));
}

TEST(SettingsStream, LoadingWhatWasSavedRestoresItExactly) {
  for (std::int32_t rate = 0; rate < 3; ++rate) {
    for (std::int32_t averaging = 0; averaging < 3; ++averaging) {
      MemoryStateInput stored(Stream({kRefreshRateTag, rate, kAveragingTag, averaging, kEndTag, 0}));
      const Bytes saved = Save(&stored);
      const Loaded loaded = Load(saved);
      EXPECT_EQ(loaded.refresh_rate, rate);
      EXPECT_EQ(loaded.averaging, averaging);
      MemoryStateInput again(saved);
      EXPECT_EQ(Save(&again), saved);
    }
  }
}

TEST(SettingsStream, ReadsPositionallyUpToTheEndTag) {
  struct Case {
    const char* what;
    Bytes stream;
    Loaded expected;
  };
  const std::int32_t kOther = FourCharacterTag("ABCD");
  const Case cases[] = {
      {"a further pair is skipped",
       Stream({kRefreshRateTag, 1, kAveragingTag, 2, kOther, 7, kEndTag, 0}), {1, 2, 32}},
      {"end alone", Stream({kEndTag, 0, kRefreshRateTag, 2}), {0, 1, 8}},
      {"rate then end", Stream({kRefreshRateTag, 2, kEndTag, 0, kAveragingTag, 2}), {2, 1, 16}},
      {"pairs swapped", Stream({kAveragingTag, 2, kRefreshRateTag, 1, kEndTag, 0}), {0, 1, 24}},
      {"unknown first tag", Stream({kOther, 2, kAveragingTag, 0, kEndTag, 0}), {0, 0, 24}},
      {"end value ignored", Stream({kRefreshRateTag, 1, kAveragingTag, 0, kEndTag, 99}), {1, 0, 24}},
  };
  for (const Case& c : cases) {
    const Loaded loaded = Load(c.stream);
    EXPECT_EQ(loaded.refresh_rate, c.expected.refresh_rate) << c.what;
    EXPECT_EQ(loaded.averaging, c.expected.averaging) << c.what;
    EXPECT_EQ(loaded.bytes_read, c.expected.bytes_read) << c.what;
  }
}

TEST(SettingsStream, ValuesOutsideTheMenuFallBackAndAreSavedSo) {
  for (std::int32_t bad : {-1, 3, 32, 0x7FFFFFFF}) {
    const Bytes stream = Stream({kRefreshRateTag, bad, kAveragingTag, bad, kEndTag, 0});
    const Loaded loaded = Load(stream);
    EXPECT_EQ(loaded.refresh_rate, kDefaultRefreshRate) << bad;
    EXPECT_EQ(loaded.averaging, kDefaultAveraging) << bad;
    MemoryStateInput input(stream);
    EXPECT_EQ(Save(&input), Stream({kRefreshRateTag, 0, kAveragingTag, 1, kEndTag, 0})) << bad;
  }
}

TEST(SettingsStream, StoredStateWithoutEndTagStopsAtItsEnd) {
  for (const Bytes& stream : {Bytes{}, Stream({kRefreshRateTag, 2}),
                              Stream({kRefreshRateTag, 2, kAveragingTag, 0, kRefreshRateTag, 1}),
                              Bytes{0x52, 0x46, 0x45}}) {
    MemoryStateInput input(stream);
    testing::MeterHost host;
    host.machine->Initialize(&input);
    EXPECT_LE(input.ReadCalls(), stream.size() / 4 + 4) << stream.size() << " bytes";
  }
  MemoryStateInput input(Stream({kRefreshRateTag, 2, kAveragingTag, 0}));
  testing::MeterHost host;
  host.machine->Initialize(&input);
  EXPECT_EQ(host.machine->Window().RefreshRate(), 2);
  EXPECT_EQ(host.machine->Window().Averaging(), 0);
}

// Hosts whose Read never runs dry, or never writes.
class EndlessInput final : public StateInput {
 public:
  explicit EndlessInput(std::uint8_t fill) : fill_(fill) {}
  void MACHINE_CALL Read(void* buffer, int size) override {
    ++calls;
    if (fill_ != 0) std::memset(buffer, fill_, static_cast<std::size_t>(size));
  }
  int calls = 0;

 private:
  std::uint8_t fill_;
};

TEST(SettingsStream, ReaderStopsWhateverReadReturns) {
  for (std::uint8_t fill : {0x00, 0x41, 0xFF}) {
    EndlessInput input(fill);
    { SettingsReader reader(&input); }
    EXPECT_LE(input.calls, 2 * SettingsReader::kMostPairs) << int(fill);
  }
}

TEST(SettingsStream, ScopesCloseTheStreamWhenLeftByAnException) {
  MemoryStateOutput output;
  try {
    SettingsWriter writer(&output);
    writer.Put(kRefreshRateTag, 1);
    throw std::runtime_error("interrupted");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(output.Bytes(), Stream({kRefreshRateTag, 1, kEndTag, 0}));

  MemoryStateInput input(Stream({kRefreshRateTag, 1, kAveragingTag, 2, kEndTag, 0, kRefreshRateTag, 2}));
  try {
    SettingsReader reader(&input);
    reader.Get(kRefreshRateTag, 0);
    throw std::runtime_error("interrupted");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(input.Position(), 24u);

  SettingsReader without_input(nullptr);
  EXPECT_EQ(without_input.Get(kRefreshRateTag, 5), 5);
}

}  // namespace
}  // namespace varnok::analyzer
