// Render's mixing loop, shared by the generators. The active channels render
// side by side in groups, so their independent chains overlap in the processor,
// and each is then added into the output on its own, in channel order: every
// sample is summed exactly as if the channels had rendered one after another.
#pragma once

#include <algorithm>
#include <type_traits>

namespace varnok {

// Samples each of a machine's own mixing buffers holds; a longer block is
// mixed in pieces of this length.
inline constexpr int kMixPieceSamples = 256;

// The channels rendered side by side at most: enough to keep the processor's
// floating-point units busy, few enough for their state to stay in the SSE
// registers, of which 32-bit x86 has 8 and x86-64 has 16.
inline constexpr int kMostSideBySide = sizeof(void*) == 8 ? 16 : 4;

// A machine's own buffers beside the host's output and scratch buffer: a fixed
// member. The channels that fit in them render before any is added.
template <int kLanes>
struct MixLanes {
  static_assert(kLanes >= kMostSideBySide - 1, "a whole group must fit");
  float samples[kLanes][kMixPieceSamples];
};

// For renders that need no setting of their own around them.
struct NoRenderScope {};

// [audio] Mixes `channels[0 .. in_use)` of a pool of `kPool` into `samples` for
// `count` >= 1 samples and returns whether any channel was active; with none,
// `samples` is untouched.
//   active(channel) -> bool
//   render(std::integral_constant<int, N>, Channel* const* group, float* const* outs, int count)
//       renders the N channels of `group`, channel j replacing `count` samples of outs[j];
//       N is one of 1, 2, 4, 8 up to kMostSideBySide
//   scratch() -> float*: the host's scratch buffer, at least `count` samples long
//   add(destination, source, count): the machine's DSP_Add
// A `RenderScope` lives around each run of renders, never around an add. The
// first active channel renders straight into `samples`: a single one costs one
// pass and no copy.
template <int kPool, class RenderScope, int kLanes, class Channel, class Active, class Render,
          class Scratch, class Add>
bool MixChannels(Channel* channels, int in_use, float* samples, int count,
                 MixLanes<kLanes>& lanes, Active active, Render render, Scratch scratch,
                 Add add) noexcept {
  Channel* sounding[kPool];
  int sounding_count = 0;
  for (int i = 0; i < std::min(in_use, kPool); ++i) {
    if (active(channels[i])) sounding[sounding_count++] = &channels[i];
  }
  if (sounding_count == 0) return false;
  if (sounding_count == 1) {
    [[maybe_unused]] const RenderScope scope;
    render(std::integral_constant<int, 1>(), sounding, &samples, count);
    return true;
  }

  float* const host_scratch = scratch();
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
      for (int own = 0; own < kLanes; ++own) outs[room++] = lanes.samples[own];

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
          Channel* const* group = sounding + done;
          if (size == kMostSideBySide) {
            render(std::integral_constant<int, kMostSideBySide>(), group, outs + used, length);
          } else if (kMostSideBySide > 8 && size == 8) {
            render(std::integral_constant<int, 8>(), group, outs + used, length);
          } else if (size == 4) {
            render(std::integral_constant<int, 4>(), group, outs + used, length);
          } else if (size == 2) {
            render(std::integral_constant<int, 2>(), group, outs + used, length);
          } else {
            render(std::integral_constant<int, 1>(), group, outs + used, length);
          }
          used += size;
          done += size;
        }
      }
      for (int j = first ? 1 : 0; j < used; ++j) add(output, outs[j], length);
    }
  }
  return true;
}

}  // namespace varnok
