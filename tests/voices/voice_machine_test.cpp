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

// What the engine did: renders must run inside a voice's scope, adds outside.
struct Log {
  static inline int open_scopes = 0, scopes = 0, most_side_by_side = 0, adds = 0;
  static inline bool misplaced = false;
  static void Clear() { scopes = most_side_by_side = adds = 0, misplaced = false; }
};

struct CountedScope {
  CountedScope() noexcept { ++Log::open_scopes, ++Log::scopes; }
  ~CountedScope() { --Log::open_scopes; }
};

// Samples that grow by a voice's own step from a start of its own, in
// magnitudes far apart, so that a voice mixed twice, left out, added in
// another order or cut at the wrong place gives other float sums.
template <class Scope>
struct FakeVoice {
  using RenderScope = Scope;
  double Level() const noexcept { return level; }
  void Release() noexcept { level = 0.0; }
  template <int N>
  static void RenderSideBySide(FakeVoice* const* voices, float* const* outs, int count) noexcept {
    Log::most_side_by_side = std::max(Log::most_side_by_side, N);
    if (std::is_same_v<Scope, CountedScope> && Log::open_scopes != 1) Log::misplaced = true;
    for (int j = 0; j < N; ++j) {
      for (int i = 0; i < count; ++i) outs[j][i] = voices[j]->next += voices[j]->step;
    }
  }
  bool active = false;
  double level = 0.0;
  float next = 0.0f, step = 0.0f;
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

  FakeMachine() noexcept { this->host_services = &services; }
  static void AddSamples(float* destination, const float* source, unsigned long count) noexcept {
    if (Log::open_scopes != 0) Log::misplaced = true;
    ++Log::adds;
    ::varnok::AddSamples(destination, source, count);
  }
  // Sounds the first `count` channels but the one at `gap`, each its own start and step.
  void Sound(int count, int gap) {
    this->channels_in_use = kChannels;
    for (int i = 0; i < kChannels; ++i) {
      this->channels[i] = {i < count && i != gap, 0.0, i * 1000.25f + 0.1f, 1.0f / (3 + i * i)};
    }
  }
  // The mix of one channel after another, in channel order, the first alone.
  std::vector<float> OneAfterAnother(int count) {
    auto voices = this->channels;
    std::vector<float> out(count, -1.0f), alone(count);
    bool first = true;
    for (int i = 0; i < this->channels_in_use; ++i) {
      if (!voices[i].active) continue;
      Voice* one = &voices[i];
      float* target = first ? out.data() : alone.data();
      {
        [[maybe_unused]] const Scope scope;
        Voice::template RenderSideBySide<1>(&one, &target, count);
      }
      if (!first) ::varnok::AddSamples(out.data(), alone.data(), static_cast<unsigned long>(count));
      first = false;
    }
    return out;
  }

  host::StandInHostServices services;
};

// A voice that renders under a setting of its own (room for its whole pool),
// and one that does not (room for one group).
using Scoped = FakeMachine<CountedScope, 20>;
using Plain = FakeMachine<NoRenderScope, 40>;

// None sounding, one, and counts around each group size and the pool's, in
// blocks around the pieces of the engine's buffers: every sample as one
// channel after another gives it.
template <class Machine, int kPool>
void ExpectEveryMixAsOneAfterAnother() {
  Machine machine;
  for (int sounding : {0, 1, 3, kMostSideBySide, kMostSideBySide + 1, 2 * kMostSideBySide + 3, kPool}) {
    for (int count : {1, 255, 256, 257, 700}) {
      if (sounding > kPool) continue;
      machine.Sound(sounding, sounding / 2);  // a gap, skipped
      const int active = sounding - (sounding > 0);
      const std::vector<float> expected = machine.OneAfterAnother(count);
      Log::Clear();
      std::vector<float> buffer(count, -1.0f);
      ASSERT_EQ(machine.Render(buffer.data(), count, 0), active > 0) << sounding;
      ASSERT_EQ(buffer, expected) << sounding << " sounding, block " << count;
      EXPECT_LE(Log::most_side_by_side, kMostSideBySide);
      EXPECT_FALSE(Log::misplaced) << sounding << " sounding, block " << count;
      if (active == 1) {
        EXPECT_EQ(Log::adds, 0) << "one channel renders straight into the buffer";
      }
      // Room for the whole pool: the setting switches once a piece.
      if (std::is_same_v<Machine, Scoped> && active > 1) {
        EXPECT_EQ(Log::scopes, (count + kMixPieceSamples - 1) / kMixPieceSamples);
      }
    }
  }
  machine.Sound(3, -1);
  machine.channels_in_use = 2;  // the third sounds past the count: not mixed
  const std::vector<float> expected = machine.OneAfterAnother(64);
  std::vector<float> buffer(64, -1.0f);
  machine.Render(buffer.data(), 64, 0);
  EXPECT_EQ(buffer, expected);
}

TEST(VoiceEngine, MixesEverySampleAsOneChannelAfterAnother) {
  ExpectEveryMixAsOneAfterAnother<Scoped, 20>();
  ExpectEveryMixAsOneAfterAnother<Plain, 40>();
}

TEST(VoiceEngine, AllocationTakesTheFirstFreeOrQuietCandidateElseTheQuietest) {
  constexpr int kPool = 20;
  const struct {
    const char* what;
    int tracks, in_use;
    std::vector<double> levels;  // of the channels in use
    int own, dynamic_channels, expected, expected_in_use;
  } cases[] = {
      {"the track's own channel, never used: taken, and the count covers it", 3, 0, {}, 2, 0, 2, 3},
      {"a never-used channel past the tracks", 1, 2, {9, 9}, 0, 6, 2, 3},
      {"the first quiet one, though a later one is quieter", 1, 4, {9, 9, 0.5, 0.1}, 0, 4, 2, 4},
      {"no quiet one: the quietest, the lower of equals", 2, 5, {9, 1, 7, 5, 5}, 0, 5, 3, 5},
      {"other tracks' channels are never taken", 4, 6, {9, 0, 0, 0, 8, 8}, 0, 6, 4, 6},
      {"no candidate at all: the own channel", 0, 0, {}, 0, 0, 0, 0},
      {"never past the pool, however many the attribute asks", 1, kPool,
       std::vector<double>(kPool, 9.0), 0, INT_MAX, 0, kPool},
  };
  Scoped machine;
  for (const auto& c : cases) {
    machine.SetTrackCount(c.tracks);
    machine.channels_in_use = c.in_use;
    for (std::size_t i = 0; i < c.levels.size(); ++i) machine.channels[i].level = c.levels[i];
    EXPECT_EQ(machine.ChannelForNote(c.own, c.dynamic_channels, 1.0) - machine.channels.data(),
              c.expected)
        << c.what;
    EXPECT_EQ(machine.channels_in_use, c.expected_in_use) << c.what;
  }
}

TEST(VoiceEngine, TrackCountsStayWithinTheTracksAndHaltReleasesOnlyTheFirst) {
  Plain machine;
  for (const auto& [given, kept] : std::vector<std::pair<int, int>>{
           {INT_MIN, 0}, {-1, 0}, {3, 3}, {kTracks, kTracks}, {kTracks + 1, kTracks}, {INT_MAX, kTracks}}) {
    machine.SetTrackCount(given);
    EXPECT_EQ(machine.track_count, kept) << given;
  }
  for (auto& channel : machine.channels) channel.level = 5.0;
  machine.ReleaseChannels(3);
  EXPECT_EQ(machine.channels[2].level, 0.0);
  EXPECT_EQ(machine.channels[3].level, 5.0);
}

}  // namespace
}  // namespace varnok::voices
