// Reads an audio file block by block as mono, on the host's sample scale, so
// that a long file never has to sit in memory whole.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "host/audio/audio_file.h"

namespace varnok::host {

class MonoAudioReader final {
 public:
  // Opens `path`: channel `channel` (from 0) alone, or every channel averaged
  // to mono. Throws HostError naming the file and the reason.
  explicit MonoAudioReader(const std::string& path, int channel = kAllChannels);
  ~MonoAudioReader();
  MonoAudioReader(const MonoAudioReader&) = delete;
  MonoAudioReader& operator=(const MonoAudioReader&) = delete;

  int sample_rate() const;
  // Frames the file's header declares. Read gives fewer when the file was cut
  // short.
  std::size_t declared_frames() const;

  // Fills `out` with up to `frames` samples (full level 32768). Fewer only at
  // the end of the file; 0 once it is all read.
  std::size_t Read(float* out, std::size_t frames);

 private:
  struct Impl;  // libsndfile's reader, or the built-in WAV reader
  std::unique_ptr<Impl> impl_;
};

}  // namespace varnok::host
