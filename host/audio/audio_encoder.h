// What the writer hands samples to: one container's encoding, onto an open file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "host/audio/output_format.h"

namespace varnok::host {

class Encoder {
 public:
  virtual ~Encoder() = default;
  // Samples already converted (audio_file.h); each call throws HostError when
  // the file refuses them.
  virtual void WritePcm16(const std::int16_t* samples, std::size_t count) = 0;
  virtual void WritePcm24(const std::int32_t* samples, std::size_t count) = 0;
  virtual void WriteFloat(const float* samples, std::size_t count) = 0;  // full level 1
  // Completes the container; the file itself is closed by its owner.
  virtual void Finish() = 0;
};

// The encoder this build has for `format` (one definition per build), writing
// to `file`, which it does not own. `shown` names the output in messages.
std::unique_ptr<Encoder> MakeEncoder(std::FILE* file, const std::string& shown, const OutputFormat& format,
                                     int sample_rate, std::uint64_t frames);

}  // namespace varnok::host
