// Ticks follow the host's tempo: a released Test Generator note ends at the
// next tick, so where it ends tells how long the ticks were.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "lv2/lilv_renderer.h"
#include "lv2/plugin_uris.h"
#include "same_samples.h"
#include "song_render.h"

namespace varnok::lv2::testing {
namespace {

struct TickCase {
  const char* name;
  std::vector<TimedEvent> events;
  std::string song;         // the note held, at the tempo of the first tick
  std::uint32_t ends_at;    // the tick start where the released note ends
};

// 44100 Hz: 5292 samples a tick at 125 bpm, 6615 at 100, 4410 at 150.
const TickCase kCases[] = {
    {"no_tempo_is_125", {NoteOn(0, 69, 127), NoteOff(1000, 69)}, "key keys 0 on 69 127\n", 5292},
    {"position_at_100", {Tempo(0, 100), NoteOn(0, 69, 127), NoteOff(1000, 69)}, "tempo 100\nkey keys 0 on 69 127\n",
     6615},
    {"fractional_tempo", {Tempo(0, 100.5), NoteOn(0, 69, 127), NoteOff(1000, 69)}, "key keys 0 on 69 127\n",
     6582},
    {"new_tempo_from_the_next_tick",
     {Tempo(0, 100), NoteOn(0, 69, 127), Tempo(3000, 150), NoteOff(8000, 69)},
     "tempo 100\nkey keys 0 on 69 127\n",
     6615 + 4410},
    {"no_tempo_in_a_position_keeps_it", {Tempo(0, 100), Tempo(10, 0), NoteOn(0, 69, 127), NoteOff(1000, 69)},
     "tempo 100\nkey keys 0 on 69 127\n", 6615},
};

class Ticks : public ::testing::TestWithParam<TickCase> {};

TEST_P(Ticks, AReleasedNoteEndsWhereTheHostsTempoPutsTheTick) {
  const TickCase& c = GetParam();
  constexpr std::uint32_t kFrames = 20000;
  std::vector<float> expected = RenderSong("machine keys \"Varnok's Pulse\"\n" + c.song + "key keys 10 off 69\n", kFrames);
  std::fill(expected.begin() + c.ends_at, expected.end(), 0.0f);
  for (const std::vector<std::uint32_t>& blocks : {std::vector<std::uint32_t>{64}, {1, 4096, 333}}) {
    LilvRenderer rig(kPulseUri);
    EXPECT_TRUE(SameSamples(rig.Play(kFrames, c.events, blocks), expected));
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Ticks, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace varnok::lv2::testing
