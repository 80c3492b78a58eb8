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

// The channels rendered side by side at most: their state must fit in the
// SSE registers, of which 32-bit x86 has 8 and x86-64 has 16.
inline constexpr int kMostSideBySide = sizeof(void*) == 8 ? 8 : 4;

// The buffers of one group beyond the host's two: a fixed member of the machine.
struct MixLanes {
  float samples[kMostSideBySide - 1][kMixPieceSamples];
};

// [audio] Mixes `channels[0 .. in_use)` of a pool of `kPool` into `samples` for `count` >= 1 samples
// and returns whether any channel was active; with none, `samples` is untouched.
//   active(channel) -> bool
//   render(std::integral_constant<int, N>, Channel* const* group, float* const* outs, int count)
//       renders the N channels of `group`, channel j replacing `count` samples of outs[j];
//       N is one of 1, 2, 4 and kMostSideBySide
//   scratch() -> float*: the host's scratch buffer, at least `count` samples long
//   add(destination, source, count): the machine's DSP_Add
// The first active channel renders straight into `samples`; a single one costs
// one pass and no copy.
template <int kPool, class Channel, class Active, class Render, class Scratch, class Add>
bool MixChannels(Channel* channels, int in_use, float* samples, int count, MixLanes& lanes,
                 Active active, Render render, Scratch scratch, Add add) noexcept {
  Channel* sounding[kPool];
  int sounding_count = 0;
  for (int i = 0; i < std::min(in_use, kPool); ++i) {
    if (active(channels[i])) sounding[sounding_count++] = &channels[i];
  }
  if (sounding_count == 0) return false;
  if (sounding_count == 1) {
    render(std::integral_constant<int, 1>(), sounding, &samples, count);
    return true;
  }

  float* const host_scratch = scratch();
  for (int start = 0; start < count; start += kMixPieceSamples) {
    const int length = std::min(kMixPieceSamples, count - start);
    float* const output = samples + start;
    for (int done = 0; done < sounding_count;) {
      // The first group writes the output itself; later ones only add to it.
      const bool first = done == 0;
      float* outs[kMostSideBySide];
      int lane = 0;
      if (first) outs[lane++] = output;
      outs[lane++] = host_scratch + start;
      for (int own = 0; lane < kMostSideBySide; ++own) outs[lane++] = lanes.samples[own];

      const int left = sounding_count - done;
      int group;
      if (left >= kMostSideBySide) {
        group = kMostSideBySide;
        render(std::integral_constant<int, kMostSideBySide>(), sounding + done, outs, length);
      } else if (kMostSideBySide > 4 && left >= 4) {
        group = 4;
        render(std::integral_constant<int, 4>(), sounding + done, outs, length);
      } else if (left >= 2) {
        group = 2;
        render(std::integral_constant<int, 2>(), sounding + done, outs, length);
      } else {
        group = 1;
        render(std::integral_constant<int, 1>(), sounding + done, outs, length);
      }
      for (int j = first ? 1 : 0; j < group; ++j) add(output, outs[j], length);
      done += group;
    }
  }
  return true;
}

}  // namespace varnok
