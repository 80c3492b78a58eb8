// The instruments through lilv: the same samples at every block size, equal to
// machine-host's render of the same notes written as a song, every event heard
// from its own frame, and a keyboard in tune.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "instrument_cases.h"
#include "lv2/lilv_renderer.h"
#include "lv2/plugin_uris.h"
#include "same_samples.h"
#include "song_render.h"

namespace varnok::lv2::testing {
namespace {

struct InstrumentCase {
  const char* name;
  const char* uri;
  std::vector<std::pair<const char*, float>> controls;
  std::vector<Key> keys;
  std::string song;
  int ticks;
};

const std::vector<std::vector<std::uint32_t>> kBlockSizes = {
    {1}, {64}, {256}, {4096}, {1, 300, 4096, 7, 64, 2, 1000}};

std::vector<InstrumentCase> Cases() {
  const std::vector<Key> one = {{0, true, 69, 127}, {2, false, 69, 0}};
  const std::vector<Key> chord = {{0, true, 60, 100}, {0, true, 64, 80}, {0, true, 67, 60}, {1, false, 64, 0},
                                  {2, true, 72, 127}, {4, false, 60, 0}, {4, false, 67, 0}, {4, false, 72, 0}};
  std::vector<Key> crowd;  // eight keys on six voices, then seventeen on sixteen tracks
  for (int key = 40; key < 48; ++key) crowd.push_back({0, true, key, 90});
  for (int key = 40; key < 48; ++key) crowd.push_back({2, false, key, 0});
  std::vector<Key> seventeen;
  for (int key = 40; key < 56; ++key) seventeen.push_back({0, true, key, 90});
  seventeen.push_back({1, true, 56, 90});  // gives way: track 0, whose key started first
  std::vector<Key> soft = {{0, true, 69, 2}};  // below -30 dB: ends at once; eight more voices than six
  for (int key = 60; key < 68; ++key) soft.push_back({0, true, key, 60});
  for (int key = 60; key < 68; ++key) soft.push_back({2, false, key, 0});
  const std::vector<std::string> sixteen = {"E-3", "F-3", "F#3", "G-3", "G#3", "A-3", "A#3", "B-3",
                                            "C-4", "C#4", "D-4", "D#4", "E-4", "F-4", "F#4", "G-4"};
  return {
      {"pulse_one_key", kPulseUri, {}, one, KeyboardSong(one), 4},
      {"pulse_chord", kPulseUri, {}, chord, KeyboardSong(chord), 6},
      {"pulse_more_keys_than_voices", kPulseUri, {}, crowd, KeyboardSong(crowd), 4},
      {"pulse_attributes",
       kPulseUri,
       {{"dynamic_channels", 12}, {"track_available_at_db", -30}},
       soft,
       KeyboardSong(soft, {{"Dynamic Channels", 12}, {"Track available at (dB)", -30}}),
       4},
      {"chip_one_key", kChipUri, {}, one, ChipSong({{"A-5"}, {}, {"off"}}), 4},
      {"chip_chord", kChipUri, {}, chord,
       ChipSong({{"C-5", "E-5", "G-5"}, {"", "off"}, {"", "C-6"}, {}, {"off", "off", "off"}}), 6},
      {"chip_seventeen_keys", kChipUri, {}, seventeen, ChipSong({sixteen, {"G#4"}, {}}), 3},
      {"chip_pulse_width", kChipUri, {{"control1", 32}, {"control3", 96}}, one,
       ChipSong({{"A-5 20 .. 60"}, {}, {"off"}}), 4},
  };
}

class Instrument : public ::testing::TestWithParam<InstrumentCase> {
 protected:
  std::vector<float> Play(const std::vector<TimedEvent>& events, const std::vector<std::uint32_t>& blocks) {
    const InstrumentCase& c = GetParam();
    LilvRenderer rig(c.uri);
    for (const auto& [symbol, value] : c.controls) rig.Set(symbol, value);
    return rig.Play(static_cast<std::uint32_t>(c.ticks) * kTick, events, blocks);
  }
};

TEST_P(Instrument, EqualsTheSongAtEveryBlockSize) {
  const InstrumentCase& c = GetParam();
  const std::vector<float> song = RenderSong(c.song, static_cast<std::uint32_t>(c.ticks) * kTick);
  ASSERT_TRUE(std::any_of(song.begin(), song.end(), [](float s) { return s != 0.0f; }));
  for (const auto& blocks : kBlockSizes) {
    EXPECT_TRUE(SameSamples(Play(KeyEvents(c.keys), blocks), song)) << "blocks of " << blocks.front() << " first";
  }
}

// Events off the tick: every block size still gives the same samples, and
// nothing sounds before the first key's frame, something at it.
TEST_P(Instrument, AnEventAtAnyFrameIsHeardFromItsFrame) {
  for (const std::uint32_t shift : {1u, 137u, kTick - 1}) {
    const std::vector<TimedEvent> events = KeyEvents(GetParam().keys, shift);
    const std::vector<float> first = Play(events, kBlockSizes.front());
    ASSERT_NE(first[shift], 0.0f) << "shift " << shift;
    EXPECT_TRUE(std::all_of(first.begin(), first.begin() + shift, [](float s) { return s == 0.0f; }));
    for (const auto& blocks : kBlockSizes) EXPECT_TRUE(SameSamples(Play(events, blocks), first)) << "shift " << shift;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Instrument, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Frequency from the rising zero crossings of a second of sound, between the
// first and the last, each placed between its two samples.
double MeasuredFrequency(const std::vector<float>& samples) {
  double first = -1.0;
  double last = -1.0;
  int crossings = 0;
  for (std::size_t i = 1; i < samples.size(); ++i) {
    if (samples[i - 1] < 0.0f && samples[i] >= 0.0f) {
      const double at = static_cast<double>(i - 1) + samples[i - 1] / (samples[i - 1] - samples[i]);
      if (first < 0.0) first = at;
      last = at;
      ++crossings;
    }
  }
  return (crossings - 1) * kRate / (last - first);
}

TEST(InstrumentTuning, Key69SoundsAt440HzOnBoth) {
  for (const char* uri : {kPulseUri, kChipUri}) {
    LilvRenderer rig(uri);
    const std::vector<float> tone = rig.Play(static_cast<std::uint32_t>(kRate), {NoteOn(0, 69, 127)});
    EXPECT_NEAR(MeasuredFrequency(tone), 440.0, 0.01) << uri;
  }
}

}  // namespace
}  // namespace varnok::lv2::testing
