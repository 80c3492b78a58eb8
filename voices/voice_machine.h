// The voice engine both generators build on: a pool of channel records, the
// allocator that gives a note its channel, Render's mixing side by side, and
// the halting loop. A machine supplies its voice and its tick rules.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "framework/machine_base.h"

namespace varnok::voices {

// Samples each of the engine's own mixing buffers holds; a longer block is
// mixed in pieces of this length.
inline constexpr int kMixPieceSamples = 256;

// The channels rendered side by side at most: enough to keep the processor's
// floating-point units busy, few enough for their state to stay in the SSE
// registers, of which 32-bit x86 has 8 and x86-64 has 16.
inline constexpr int kMostSideBySide = sizeof(void*) == 8 ? 16 : 4;

// A voice's RenderScope when it renders under no setting of its own.
struct NoRenderScope {};

// What a machine's voice gives the engine:
//   bool active                        it sounds, and Render mixes it
//   double Level() const noexcept      what the allocator compares: quiet voices are taken
//   void Release() noexcept            what Halt does to it
//   template <int N> static void RenderSideBySide(Voice* const* voices, float* const* outs,
//                                                 int count) noexcept
//       voice j replaces `count` samples of outs[j]; N is 1, 2, 4, 8 or 16
//   using RenderScope                  a setting held around each run of renders, never
//                                      around an add (NoRenderScope for none)
// and the machine `Self`: static void AddSamples(float* destination, const float* source,
// unsigned long count) noexcept, its library's DSP_Add.
template <class Self, class Voice, int kChannels, int kTracks>
class VoiceMachine : public Machine<Self> {
  static_assert(kTracks <= kChannels, "the first records of the pool are the tracks'");

 public:
  // [audio] Mixes the active channels below channels_in_use into `samples`, in
  // channel order, and returns whether there was one; with none, `samples` is
  // untouched. The first renders straight into `samples`, so a single one costs
  // one pass and no copy; the others render side by side in groups and are
  // added one by one, so every sample is summed exactly as if they had rendered
  // one after another. `mode` is not read.
  bool MACHINE_CALL Render(float* samples, int count, int mode) noexcept final;
  // [any] Any int32 may arrive: the track count stays within the records there are.
  void MACHINE_CALL SetTrackCount(int count) noexcept final {
    track_count = std::clamp(count, 0, kTracks);
  }

  std::array<Voice, kChannels> channels;  // record t < kTracks is also track t's
  std::int32_t track_count = 0;
  std::int32_t channels_in_use = 0;       // Render and the allocator see only these

 protected:
  VoiceMachine() noexcept = default;
  ~VoiceMachine() = default;

  // How many channels notes may use: the tracks' and `dynamic_channels` more,
  // never past the pool.
  int ChannelBound(int dynamic_channels) const noexcept {
    return std::min(std::max(track_count, dynamic_channels), kChannels);
  }

  // [audio] The channel for a new note of `own` (a track, or 0 for a keyboard
  // note), among the channels below ChannelBound(dynamic_channels): `own` and
  // every one past the tracks are candidates. One at or above channels_in_use
  // has never been used: it is taken at once, and the count grows to cover it
  // so that Render reaches it. Otherwise the first whose level lies below
  // `available_level` is taken, else the quietest, the lower index among
  // equals. With no candidate at all, `own`.
  Voice* ChannelForNote(int own, int dynamic_channels, double available_level) noexcept {
    double best = std::numeric_limits<double>::infinity();
    int chosen = own;
    const int bound = ChannelBound(dynamic_channels);
    for (int i = 0; i < bound; ++i) {
      if (i < track_count && i != own) continue;
      if (i >= channels_in_use) {
        channels_in_use = i + 1;
        return &channels[i];
      }
      const double level = channels[i].Level();
      if (level < best) {
        best = level;
        chosen = i;
      }
      if (best < available_level) break;
    }
    return &channels[chosen];
  }

  // [audio] Halt's work: Release() on the first `count` channels.
  void ReleaseChannels(int count) noexcept {
    for (int i = 0; i < count; ++i) channels[i].Release();
  }

 private:
  using RenderScope = typename Voice::RenderScope;
  // The engine's own buffers beside the host's output and scratch buffer. A
  // voice that renders under a setting of its own gets room for the whole pool,
  // so the setting switches once a piece; any other, for one group.
  static constexpr int kLanes = std::is_same_v<RenderScope, NoRenderScope>
                                    ? kMostSideBySide - 1
                                    : kChannels - 1;
  static_assert(kLanes >= kMostSideBySide - 1, "a whole group must fit");

  // Renders `size` voices of `group` into outs[0 .. size).
  static void RenderGroup(int size, Voice* const* group, float* const* outs, int count) noexcept;

  float lanes_[kLanes][kMixPieceSamples];
};

template <class Self, class Voice, int kChannels, int kTracks>
void VoiceMachine<Self, Voice, kChannels, kTracks>::RenderGroup(int size, Voice* const* group,
                                                                 float* const* outs,
                                                                 int count) noexcept {
  if (size == kMostSideBySide) {
    Voice::template RenderSideBySide<kMostSideBySide>(group, outs, count);
  } else if (kMostSideBySide > 8 && size == 8) {
    Voice::template RenderSideBySide<8>(group, outs, count);
  } else if (size == 4) {
    Voice::template RenderSideBySide<4>(group, outs, count);
  } else if (size == 2) {
    Voice::template RenderSideBySide<2>(group, outs, count);
  } else {
    Voice::template RenderSideBySide<1>(group, outs, count);
  }
}

template <class Self, class Voice, int kChannels, int kTracks>
bool MACHINE_CALL VoiceMachine<Self, Voice, kChannels, kTracks>::Render(float* samples, int count,
                                                                        int /*mode*/) noexcept {
  Voice* sounding[kChannels];
  int sounding_count = 0;
  for (int i = 0; i < std::min<int>(channels_in_use, kChannels); ++i) {
    if (channels[i].active) sounding[sounding_count++] = &channels[i];
  }
  if (sounding_count == 0) return false;
  if (sounding_count == 1) {
    [[maybe_unused]] const RenderScope scope;
    Voice::template RenderSideBySide<1>(sounding, &samples, count);
    return true;
  }

  float* const host_scratch = this->host_services->ScratchBuffer();
  for (int start = 0; start < count; start += kMixPieceSamples) {
    const int length = std::min(kMixPieceSamples, count - start);
    float* const output = samples + start;
    for (int done = 0; done < sounding_count;) {
      // The first run writes the output itself; later ones only add to it.
      const bool first = done == 0;
      float* outs[kLanes + 2];
      int room = 0;
      if (first) outs[room++] = output;
      outs[room++] = host_scratch + start;
      for (int own = 0; own < kLanes; ++own) outs[room++] = lanes_[own];

      int used = 0;
      {
        [[maybe_unused]] const RenderScope scope;
        while (done < sounding_count) {
          const int left = sounding_count - done;
          const int size = left >= kMostSideBySide ? kMostSideBySide
                           : left >= 8              ? 8
                           : left >= 4              ? 4
                           : left >= 2              ? 2
                                                    : 1;
          if (size > room - used) break;  // add what is rendered, then go on
          RenderGroup(size, sounding + done, outs + used, length);
          used += size;
          done += size;
        }
      }
      for (int j = first ? 1 : 0; j < used; ++j) {
        Self::AddSamples(output, outs[j], static_cast<unsigned long>(length));
      }
    }
  }
  return true;
}

}  // namespace varnok::voices
