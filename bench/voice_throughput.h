// The Test Generator's other limit: how fast the processor runs its voice
// update when several independent voices overlap, as the machine renders them.
#pragma once

namespace varnok::bench {

// Voices side by side that the bound is measured for.
inline constexpr int kSideBySideCounts[] = {2, 4, 8, 16};

struct VoiceThroughput {
  double ns_per_voice_sample[4];  // for each of kSideBySideCounts
  double best_ns;                 // the least of them: the bound per voice and sample
};

// Measured on first use: the Test Generator's own voice rendering N channels
// side by side (c += k s, s -= k c and the float store of s), the best loop
// found for that arithmetic on the baseline instruction set.
const VoiceThroughput& MeasuredVoiceThroughput();

}  // namespace varnok::bench
