// A small RIFF/WAVE reader and writer. Every build writes WAV with it: its
// header is complete before the first sample, so it streams, and it carries
// nothing that changes from run to run. It reads WAV where libsndfile is not
// available (Windows).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "host/audio/audio_encoder.h"
#include "host/audio/audio_file.h"
#include "host/audio/audio_source.h"

namespace varnok::host::wav {

// Mono WAV of a known length: the header goes out first, so no seeking back.
// Float files carry the format chunk's extension size and a "fact" chunk, as
// readers expect of a format other than PCM.
class Encoder final : public host::Encoder {
 public:
  // Writes the header for `frames` samples; throws HostError naming `shown`.
  Encoder(std::FILE* file, std::string shown, SampleFormat format, int sample_rate, std::uint64_t frames);

  void WritePcm16(const std::int16_t* samples, std::size_t count) override;
  void WritePcm24(const std::int32_t* samples, std::size_t count) override;
  void WriteFloat(const float* samples, std::size_t count) override;
  // Throws HostError unless exactly the frames of the header were written.
  void Finish() override;

 private:
  // Writes `count` samples of `width` bytes, little-endian, from `bits(i)`.
  template <class Bits>
  void Store(std::size_t count, std::size_t width, Bits bits);
  void Put(std::size_t count);

  std::FILE* file_;
  std::string shown_;
  std::uint64_t frames_;
  std::size_t pad_;  // bytes after the samples
  std::uint64_t written_ = 0;
  std::vector<std::uint8_t> bytes_;  // reused for each block
};

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
class Reader final : public AudioSource {
 public:
  explicit Reader(const std::string& path, int channel = kAllChannels);

  int sample_rate() const override { return layout_.sample_rate; }
  std::size_t declared_frames() const override { return declared_frames_; }
  std::size_t Read(float* out, std::size_t frames) override;

 private:
  // What a read of `wanted` frames that got `got` returns, noting a short one.
  std::size_t Ended(std::size_t got, std::size_t wanted);

  std::ifstream file_;
  Layout layout_;
  int channel_;
  std::size_t frame_bytes_ = 0;
  std::size_t frames_ = 0;  // whole frames in the data chunk
  std::size_t declared_frames_ = 0;  // what its header says it holds
  std::size_t done_ = 0;
  std::vector<std::uint8_t> bytes_;  // reused for each block read
};

}  // namespace varnok::host::wav
