// An audio file read block by block as mono, on the file's own scale (full
// level 1): what each reader gives MonoAudioReader.
#pragma once

#include <cstddef>

namespace varnok::host {

class AudioSource {
 public:
  virtual ~AudioSource() = default;
  virtual int sample_rate() const = 0;
  // Frames the file's header declares (0 where it gives only an estimate).
  // Read gives fewer when the file was cut short.
  virtual std::size_t declared_frames() const = 0;
  // Fills `out` with up to `frames` samples; fewer only at the end of the
  // file, 0 once it is all read.
  virtual std::size_t Read(float* out, std::size_t frames) = 0;
};

}  // namespace varnok::host
