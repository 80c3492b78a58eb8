// The engine at its boundaries, with a voice whose every sample names it.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <type_traits>
#include <utility>
#include <vector>

#include "framework/add_samples.h"
#include "host/core/host_services.h"
#include "voices/voice_machine.h"

namespace varnok::voices {
namespace {

// Counts the scopes that are open: renders must run inside one, adds outside.
struct CountedScope {
  CountedScope() noexcept { ++open, ++opened; }
  ~CountedScope() { --open; }
  static inline int open = 0;
  static inline int opened = 0;
};

struct Log {
  static inline int most_side_by_side = 0;
  static inline bool rendered_outside_a_scope = false;
  static inline bool added_inside_a_scope = false;
  static inline int adds = 0;
};

// Samples that grow by a voice's own step from a start of its own, in
// magnitudes far apart, so that a voice mixed twice, left out, mixed in
// another order or cut at the wrong place gives other float sums.
template <class Scope>
struct FakeVoice {
  using RenderScope = Scope;
  double Level() const noexcept { return level; }
  void Release() noexcept { level = 0.0; }
  template <int N>
  static void RenderSideBySide(FakeVoice* const* voices, float* const* outs, int count) noexcept {
    Log::most_side_by_side = std::max(Log::most_side_by_side, N);
    if (!std::is_same_v<Scope, NoRenderScope> && CountedScope::open != 1) {
      Log::rendered_outside_a_scope = true;
    }
    for (int j = 0; j < N; ++j) {
      for (int i = 0; i < count; ++i) outs[j][i] = voices[j]->next += voices[j]->step;
    }
  }

  bool active = false;
  double level = 0.0;
  float next = 0.0f;
  float step = 0.0f;
};

constexpr int kTracks = 4;

template <class Scope, int kChannels>
class FakeMachine final
    : public VoiceMachine<FakeMachine<Scope, kChannels>, FakeVoice<Scope>, kChannels, kTracks> {
 public:
  using Voice = FakeVoice<Scope>;
  using Engine = VoiceMachine<FakeMachine, Voice, kChannels, kTracks>;
  using Engine::ChannelForNote;
  using Engine::ReleaseChannels;
  static constexpr int kPool = kChannels;

  FakeMachine() noexcept { this->host_services = &services; }
  static void AddSamples(float* destination, const float* source, unsigned long count) noexcept {
    if (CountedScope::open != 0) Log::added_inside_a_scope = true;
    ++Log::adds;
    ::varnok::AddSamples(destination, source, count);
  }

  host::StandInHostServices services;
};

// One that renders under a setting of its own (room for its whole pool), and
// one that does not (room for one group).
using Scoped = FakeMachine<CountedScope, 20>;
using Plain = FakeMachine<NoRenderScope, 40>;

template <class Machine>
class VoiceEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    CountedScope::opened = 0;
    Log::most_side_by_side = 0;
    Log::rendered_outside_a_scope = Log::added_inside_a_scope = false;
    Log::adds = 0;
  }
  // Sounds the first `count` channels, each its own start and step.
  void Sound(int count) {
    for (auto& channel : machine.channels) channel = {};
    machine.channels_in_use = Machine::kPool;
    for (int i = 0; i < count; ++i) {
      machine.channels[i].active = true;
      machine.channels[i].next = static_cast<float>(i * 1000.25 + 0.1);
      machine.channels[i].step = 1.0f / static_cast<float>(3 + i * i);
    }
  }
  // The mix as one channel after another gives it: in channel order, each
  // further one added with the machine's add routine.
  std::vector<float> OneAfterAnother(int count) {
    auto voices = machine.channels;
    std::vector<float> out(count), alone(count);
    bool first = true;
    for (int i = 0; i < machine.channels_in_use; ++i) {
      if (!voices[i].active) continue;
      auto* voice = &voices[i];
      float* target = first ? out.data() : alone.data();
      {
        [[maybe_unused]] const typename Machine::Voice::RenderScope scope;
        Machine::Voice::template RenderSideBySide<1>(&voice, &target, count);
      }
      if (!first) AddSamples(out.data(), alone.data(), static_cast<unsigned long>(count));
      first = false;
    }
    return out;
  }

  Machine machine;
};

using Machines = ::testing::Types<Scoped, Plain>;
TYPED_TEST_SUITE(VoiceEngine, Machines);

TYPED_TEST(VoiceEngine, NoActiveChannelBelowTheCountLeavesTheBufferAndAnswersFalse) {
  this->Sound(3);
  this->machine.channels[1].active = this->machine.channels[2].active = false;
  this->machine.channels_in_use = 0;
  std::vector<float> buffer(300, 7.0f);
  EXPECT_FALSE(this->machine.Render(buffer.data(), 300, 1));
  EXPECT_EQ(buffer, std::vector<float>(300, 7.0f));
  EXPECT_EQ(CountedScope::opened, 0);
}

TYPED_TEST(VoiceEngine, OneChannelRendersStraightIntoTheBuffer) {
  this->Sound(1);
  const std::vector<float> expected = this->OneAfterAnother(1000);
  std::vector<float> buffer(1000, 7.0f);
  EXPECT_TRUE(this->machine.Render(buffer.data(), 1000, 0));
  EXPECT_EQ(buffer, expected);
  EXPECT_EQ(Log::adds, 0);
}

// Sounding counts around each group size and the pool's; blocks around the
// pieces of the engine's buffers: every sample as one after another gives it.
TYPED_TEST(VoiceEngine, MixesEverySampleAsOneChannelAfterAnother) {
  constexpr int kPool = TypeParam::kPool;
  for (int sounding : {2, 3, kMostSideBySide - 1, kMostSideBySide, kMostSideBySide + 1,
                       2 * kMostSideBySide + 3, kPool}) {
    if (sounding > kPool) continue;
    for (int count : {1, 255, 256, 257, 700}) {
      this->Sound(sounding);
      this->machine.channels[sounding / 2].active = false;  // a gap is skipped
      const std::vector<float> expected = this->OneAfterAnother(count);
      this->SetUp();
      std::vector<float> buffer(count, -1.0f);
      ASSERT_TRUE(this->machine.Render(buffer.data(), count, 0));
      ASSERT_EQ(buffer, expected) << sounding << " sounding, block " << count;
      EXPECT_LE(Log::most_side_by_side, kMostSideBySide);
      EXPECT_FALSE(Log::rendered_outside_a_scope);
      EXPECT_FALSE(Log::added_inside_a_scope);
      // Room for the whole pool: the setting switches once a piece.
      const int pieces = sounding == 2 ? 1 : (count + kMixPieceSamples - 1) / kMixPieceSamples;
      if (std::is_same_v<TypeParam, Scoped>) {
        EXPECT_EQ(CountedScope::opened, pieces);
      }
    }
  }
}

struct Allocation {
  const char* what;
  int tracks, in_use;
  std::vector<double> levels;  // of the channels in use
  int own, dynamic_channels;
  int expected, expected_in_use;
};

TYPED_TEST(VoiceEngine, AllocationTakesTheFirstFreeOrQuietCandidateElseTheQuietest) {
  constexpr int kPool = TypeParam::kPool;
  const std::vector<Allocation> cases = {
      {"the track's own channel, never used: taken, and the count covers it", 3, 0, {}, 2, 0, 2, 3},
      {"a never-used channel past the tracks", 1, 2, {9, 9}, 0, 6, 2, 3},
      {"the first quiet one, though a later one is quieter", 1, 4, {9, 9, 0.5, 0.1}, 0, 4, 2, 4},
      {"no quiet one: the quietest, the lower of equals", 2, 5, {9, 1, 7, 5, 5}, 0, 5, 3, 5},
      {"other tracks' channels are never taken", 4, 6, {9, 0, 0, 0, 8, 8}, 0, 6, 4, 6},
      {"no candidate at all: the own channel", 0, 0, {}, 0, 0, 0, 0},
      {"never past the pool, however many the attribute asks", 1, kPool,
       std::vector<double>(kPool, 9.0), 0, INT_MAX, 0, kPool},
  };
  for (const Allocation& c : cases) {
    TypeParam& machine = this->machine;
    machine.SetTrackCount(c.tracks);
    machine.channels_in_use = c.in_use;
    for (std::size_t i = 0; i < c.levels.size(); ++i) machine.channels[i].level = c.levels[i];
    const auto* chosen = machine.ChannelForNote(c.own, c.dynamic_channels, 1.0);
    EXPECT_EQ(chosen - machine.channels.data(), c.expected) << c.what;
    EXPECT_EQ(machine.channels_in_use, c.expected_in_use) << c.what;
  }
}

TYPED_TEST(VoiceEngine, TrackCountsStayWithinTheTracksAndHaltReleasesOnlyTheFirst) {
  for (const auto& [given, kept] : std::vector<std::pair<int, int>>{
           {INT_MIN, 0}, {-1, 0}, {0, 0}, {3, 3}, {kTracks, kTracks}, {kTracks + 1, kTracks},
           {INT_MAX, kTracks}}) {
    this->machine.SetTrackCount(given);
    EXPECT_EQ(this->machine.track_count, kept) << given;
  }
  for (auto& channel : this->machine.channels) channel.level = 5.0;
  this->machine.ReleaseChannels(3);
  EXPECT_EQ(this->machine.channels[2].level, 0.0);
  EXPECT_EQ(this->machine.channels[3].level, 5.0);
}

}  // namespace
}  // namespace varnok::voices
