#include "testgen/sine_channel.h"

#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/rounding.h"
#include "testgen/note_frequencies.h"
#include "testgen/testgen_description.h"

namespace varnok::testgen {
namespace {
constexpr long double kPi = 3.141592653589793238462643383279502884L;

typedef double Pair __attribute__((vector_size(16)));
typedef float FloatPair __attribute__((vector_size(8)));

// Rounds a pair to floats into `first` and `second`. With SSE2 the second is
// shuffled down in place: the generic form costs a register copy.
inline void StorePair(Pair pair, float* first, float* second) noexcept {
#if defined(__SSE2__)
  const __m128 floats = _mm_cvtpd_ps(pair);
  _mm_store_ss(first, floats);
  _mm_store_ss(second, _mm_shuffle_ps(floats, floats, 0x55));
#else
  const FloatPair floats = __builtin_convertvector(pair, FloatPair);
  *first = floats[0];
  *second = floats[1];
#endif
}
}  // namespace

void SineChannel::Init() noexcept {
  amplitude = 0.0;
  active = false;
  current_channel = this;
  midi_note = kNoMidiNote;
  for (int i = 0; i < kControlCount; ++i) {
    control_bytes[i] =
        static_cast<std::uint8_t>(kTrackParamRows[kFirstControlByte + i].default_value & 0xFF);
    control_values[i] = ConvertControl(i, control_bytes[i]);
  }
}

void SineChannel::StartNote(int note_index, int velocity) noexcept {
  active = true;
  amplitude = velocity * kPerByte * kSineScale;
  // Extended precision where the machine has it, whatever the host set; the
  // step is stored as a double.
  const platform::FullPrecision precision;
  const long double half_turn = NoteFrequency(note_index) * kPi / SampleRate(*machine);
  rotation_step = static_cast<double>(2.0L * std::sin(half_turn));
  // The rotation peaks at amplitude / |cos(half_turn)|, without bound as the note
  // nears half the sample rate. Past twice the level the start is scaled down so
  // the peak stays there; at half the rate the note is all but silent. Notes
  // below a third of the rate (every note, at rates from 37632 up) are untouched.
  const double peak_gain = 1.0 / std::fabs(static_cast<double>(std::cos(half_turn)));
  osc_cos = peak_gain > kMostPeakGain ? amplitude * kMostPeakGain / peak_gain : amplitude;
  osc_sin = 0.0;
}

// The rotation c += k s, s -= k c turns the state by exactly 2 pi f / rate per
// sample when k = 2 sin(pi f / rate): a sine without a table or a call.
void SineChannel::RenderInto(float* out, int count) noexcept {
  const double k = rotation_step;
  double c = osc_cos;
  double s = osc_sin;
  for (int i = 0; i < count; ++i) {
    c += k * s;
    s -= k * c;
    out[i] = static_cast<float>(s);
  }
  osc_cos = c;
  osc_sin = s;
}

// Two channels to an SSE register: each lane rounds as the scalar loop does.
template <int N>
void SineChannel::RenderSideBySide(SineChannel* const* channels, float* const* outs,
                                   int count) noexcept {
  if constexpr (N == 1) {
    channels[0]->RenderInto(outs[0], count);
  } else if constexpr (N == 4) {
    // The widest group of the 32-bit build, written so that GCC keeps its six
    // values and one temporary in the 8 SSE registers and its four output
    // pointers in integer ones, instead of reloading them every sample.
    const SineChannel &a = *channels[0], &b = *channels[1], &c = *channels[2], &d = *channels[3];
    const Pair k0{a.rotation_step, b.rotation_step}, k1{c.rotation_step, d.rotation_step};
    Pair c0{a.osc_cos, b.osc_cos}, s0{a.osc_sin, b.osc_sin};
    Pair c1{c.osc_cos, d.osc_cos}, s1{c.osc_sin, d.osc_sin};
    float *out0 = outs[0], *out1 = outs[1], *out2 = outs[2], *out3 = outs[3];
    for (int i = 0; i < count; ++i) {
      c0 += k0 * s0;
      s0 -= k0 * c0;
      c1 += k1 * s1;
      s1 -= k1 * c1;
      StorePair(s0, out0 + i, out1 + i);
      StorePair(s1, out2 + i, out3 + i);
    }
    channels[0]->osc_cos = c0[0];
    channels[1]->osc_cos = c0[1];
    channels[2]->osc_cos = c1[0];
    channels[3]->osc_cos = c1[1];
    channels[0]->osc_sin = s0[0];
    channels[1]->osc_sin = s0[1];
    channels[2]->osc_sin = s1[0];
    channels[3]->osc_sin = s1[1];
  } else {
    constexpr int kPairs = N / 2;
    Pair k[kPairs], c[kPairs], s[kPairs];
    for (int p = 0; p < kPairs; ++p) {
      const SineChannel& a = *channels[2 * p];
      const SineChannel& b = *channels[2 * p + 1];
      k[p] = Pair{a.rotation_step, b.rotation_step};
      c[p] = Pair{a.osc_cos, b.osc_cos};
      s[p] = Pair{a.osc_sin, b.osc_sin};
    }
    for (int i = 0; i < count; ++i) {
      for (int p = 0; p < kPairs; ++p) {
        c[p] += k[p] * s[p];
        s[p] -= k[p] * c[p];
        const FloatPair out = __builtin_convertvector(s[p], FloatPair);
        outs[2 * p][i] = out[0];
        outs[2 * p + 1][i] = out[1];
      }
    }
    for (int p = 0; p < kPairs; ++p) {
      for (int lane = 0; lane < 2; ++lane) {
        SineChannel& channel = *channels[2 * p + lane];
        channel.osc_cos = c[p][lane];
        channel.osc_sin = s[p][lane];
      }
    }
  }
}

template void SineChannel::RenderSideBySide<1>(SineChannel* const*, float* const*, int) noexcept;
template void SineChannel::RenderSideBySide<2>(SineChannel* const*, float* const*, int) noexcept;
template void SineChannel::RenderSideBySide<4>(SineChannel* const*, float* const*, int) noexcept;
template void SineChannel::RenderSideBySide<8>(SineChannel* const*, float* const*, int) noexcept;
template void SineChannel::RenderSideBySide<16>(SineChannel* const*, float* const*, int) noexcept;

void SineChannel::EndIfQuiet() noexcept {
  if (active && amplitude < AvailableLevel(*machine)) {
    amplitude = 0.0;
    active = false;
  }
}

void SineChannel::ControlChanged(int, double) noexcept {}

double SineChannel::ConvertControl(int index, std::uint8_t byte) noexcept {
  return index == 0 ? byte * kPerByte : static_cast<double>(byte);
}

}  // namespace varnok::testgen
