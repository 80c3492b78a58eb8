// What a host or a keyboard may send that a tidy sequence of note messages
// does not: each row plays what its tidy twin plays, sample for sample, on
// both instruments, and every note has ended by the last tick.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "instrument_cases.h"
#include "lv2/lilv_renderer.h"
#include "lv2/plugin_uris.h"
#include "same_samples.h"

namespace varnok::lv2::testing {
namespace {

constexpr std::uint32_t kFrames = 4 * kTick;

TimedEvent Bytes(std::uint32_t frame, std::vector<std::uint8_t> bytes) { return {frame, std::move(bytes)}; }
TimedEvent Misstamped(TimedEvent event, std::int64_t by) {
  event.misstamp = by;
  return event;
}

struct HostileCase {
  const char* name;
  std::vector<TimedEvent> hostile;
  std::vector<TimedEvent> tidy;
  std::vector<std::uint32_t> blocks = {256};
};

const HostileCase kCases[] = {
    {"running_status_across_events",
     {Bytes(0, {0x90, 60, 100}), Bytes(100, {64, 100}), Bytes(6000, {60, 0}), Bytes(6000, {64, 0})},
     {NoteOn(0, 60, 100), NoteOn(100, 64, 100), NoteOff(6000, 60), NoteOff(6000, 64)}},
    {"running_status_within_an_event",
     {Bytes(0, {0x91, 60, 100, 64, 90}), Bytes(6000, {0x81, 60, 0, 64, 0})},
     {NoteOn(0, 60, 100), NoteOn(0, 64, 90), NoteOff(6000, 60), NoteOff(6000, 64)}},
    {"sysex_and_real_time_bytes_pass_over",
     {Bytes(0, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}), Bytes(10, {0x90, 0xF8, 69, 0xFE, 127}),
      Bytes(20, {0xF0, 0x00, 60, 100}), Bytes(30, {60, 100, 0xF7}), Bytes(6000, {0x80, 69, 64, 0xFF})},
     {NoteOn(10, 69, 127), NoteOff(6000, 69)}},
    {"other_channel_messages_change_nothing",
     {NoteOn(0, 69, 90), Bytes(50, {0xC0, 5}), Bytes(60, {0xE0, 0, 64}), Bytes(70, {0xD0, 30}),
      Bytes(80, {0xB0, 1, 127}), Bytes(90, {0xA0, 69, 20}), NoteOff(6000, 69)},
     {NoteOn(0, 69, 90), NoteOff(6000, 69)}},
    {"all_notes_off_ends_every_note",
     {NoteOn(0, 60, 100), NoteOn(0, 67, 100, 3), NoteOn(200, 72, 100), Bytes(3000, {0xB0, 123, 0})},
     {NoteOn(0, 60, 100), NoteOn(0, 67, 100, 3), NoteOn(200, 72, 100), NoteOff(3000, 60), NoteOff(3000, 67),
      NoteOff(3000, 72)}},
    {"all_sound_off_ends_every_note",
     {NoteOn(0, 60, 100), NoteOn(0, 64, 100), Bytes(3000, {0xB5, 120, 0})},
     {NoteOn(0, 60, 100), NoteOn(0, 64, 100), NoteOff(3000, 60), NoteOff(3000, 64)}},
    {"note_off_without_its_note_on",
     {NoteOff(0, 50), NoteOn(10, 69, 100), NoteOff(500, 70), NoteOff(6000, 69), NoteOff(7000, 69)},
     {NoteOn(10, 69, 100), NoteOff(6000, 69)}},
    {"velocity_zero_is_a_note_off",
     {NoteOn(0, 69, 127), NoteOn(6000, 69, 0)},
     {NoteOn(0, 69, 127), NoteOff(6000, 69)}},
    {"a_message_cut_short_plays_nothing",
     {Bytes(0, {0x90, 60}), Bytes(10, {0x80}), NoteOn(20, 69, 100), NoteOff(6000, 69)},
     {NoteOn(20, 69, 100), NoteOff(6000, 69)}},
    {"events_at_a_blocks_last_frame",
     {NoteOn(255, 69, 100), NoteOff(6143, 69)},
     {NoteOn(255, 69, 100), NoteOff(6143, 69)},
     {256}},
    {"stamps_before_or_past_the_block_are_taken_at_its_nearest_frame",
     {Misstamped(NoteOn(300, 69, 100), -1000), NoteOn(400, 72, 100), Misstamped(NoteOn(420, 76, 100), 5000),
      NoteOff(6000, 69), NoteOff(6000, 72), NoteOff(6000, 76)},
     {NoteOn(256, 69, 100), NoteOn(400, 72, 100), NoteOn(511, 76, 100), NoteOff(6000, 69), NoteOff(6000, 72),
      NoteOff(6000, 76)}},
    {"a_stamp_before_the_previous_events_is_taken_at_its_frame",
     {NoteOn(300, 69, 100), Misstamped(NoteOn(310, 72, 100), -200), NoteOff(6000, 69), NoteOff(6000, 72)},
     {NoteOn(300, 69, 100), NoteOn(300, 72, 100), NoteOff(6000, 69), NoteOff(6000, 72)}},
};

class HostileMidi : public ::testing::TestWithParam<std::tuple<HostileCase, const char*>> {};

TEST_P(HostileMidi, PlaysWhatItsTidyTwinPlaysAndLeavesNoNoteSounding) {
  const auto& [c, uri] = GetParam();
  LilvRenderer hostile_rig(uri);
  const std::vector<float> hostile = hostile_rig.Play(kFrames, c.hostile, c.blocks);
  LilvRenderer tidy_rig(uri);
  const std::vector<float> tidy = tidy_rig.Play(kFrames, c.tidy, {1});
  ASSERT_TRUE(std::any_of(tidy.begin(), tidy.end(), [](float s) { return s != 0.0f; }));
  EXPECT_TRUE(SameSamples(hostile, tidy));
  EXPECT_TRUE(std::all_of(hostile.end() - kTick, hostile.end(), [](float s) { return s == 0.0f; }));
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileMidi,
                         ::testing::Combine(::testing::ValuesIn(kCases), ::testing::Values(kPulseUri, kChipUri)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) == kPulseUri ? "_pulse" : "_chip");
                         });

}  // namespace
}  // namespace varnok::lv2::testing
