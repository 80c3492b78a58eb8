// Writes a render's mono audio into its output, block by block, in the format
// its file name asks for.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "host/audio/audio_file.h"
#include "host/audio/output_file.h"
#include "host/audio/output_format.h"

namespace varnok::host {

class Encoder;

struct WriteReport {
  // Samples beyond full level: clipped in PCM, kept as they are in float.
  std::size_t over_full_scale = 0;
};

class AudioWriter final {
 public:
  // Opens `output` for `frames` samples at `sample_rate`; `output` must
  // outlive the writer. Throws HostError naming the output.
  AudioWriter(OutputFile& output, const OutputFormat& format, int sample_rate, std::uint64_t frames);
  ~AudioWriter();
  AudioWriter(const AudioWriter&) = delete;
  AudioWriter& operator=(const AudioWriter&) = delete;

  // Writes `count` samples on the host's scale (full level 32768). Throws HostError.
  void Write(const float* samples, std::size_t count);
  // Completes the file and moves it into place. Throws HostError, and then
  // the earlier output stays as it was.
  WriteReport Finish();

 private:
  static constexpr std::size_t kChunk = 4096;

  OutputFile& output_;
  SampleFormat samples_;
  std::unique_ptr<Encoder> encoder_;
  WriteReport report_;
  std::array<std::int16_t, kChunk> pcm16_;
  std::array<std::int32_t, kChunk> pcm24_;
  std::array<float, kChunk> unit_;
};

}  // namespace varnok::host
