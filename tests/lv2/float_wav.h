// Mono 32-bit float WAV files, written and read bit for bit, for the hosts
// that take audio files.
#pragma once

#include <string>
#include <vector>

namespace varnok::lv2::testing {

void WriteFloatWav(const std::string& path, const std::vector<float>& samples, int sample_rate);
// The samples of a mono float WAV file; fails the test (and returns none) for
// any other file.
std::vector<float> ReadFloatWav(const std::string& path);

}  // namespace varnok::lv2::testing
