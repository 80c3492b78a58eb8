// A small RIFF/WAVE reader and writer, for builds without libsndfile (Windows).
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "host/audio/audio_file.h"

namespace varnok::host::wav {

// Same contract as WriteMonoWav: mono, full level 32768, replaced atomically.
WriteReport Write(const std::string& path, const float* samples, std::size_t count,
                  int sample_rate, SampleFormat format);

// How a file's samples are stored.
struct Layout {
  std::uint16_t tag = 0;
  int channels = 0;
  int sample_rate = 0;
  int bits = 0;
};

// Reads PCM (8, 16, 24, 32 bits) and IEEE float (32, 64 bits) WAV files, plain
// or extensible, block by block: one channel, or all averaged to mono. The
// constructor throws HostError naming the file and the reason.
class Reader final {
 public:
  explicit Reader(const std::string& path, int channel = kAllChannels);

  int sample_rate() const { return layout_.sample_rate; }
  std::size_t frames_hint() const { return frames_ - done_; }
  // Up to `frames` samples into `out` (full level 32768); fewer only at the end.
  std::size_t Read(float* out, std::size_t frames);

 private:
  std::ifstream file_;
  Layout layout_;
  int channel_;
  std::size_t frame_bytes_ = 0;
  std::size_t frames_ = 0;  // whole frames in the data chunk
  std::size_t done_ = 0;
  std::vector<std::uint8_t> bytes_;  // reused for each block read
};

// The whole file at once, as Reader reads it.
MonoAudio Read(const std::string& path, int channel = kAllChannels);

}  // namespace varnok::host::wav
