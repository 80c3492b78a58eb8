// Reads an audio file block by block as mono, on the file's own scale (full
// level 1), so that a long file never has to sit in memory whole.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "host/audio/audio_file.h"
#include "host/audio/audio_source.h"

namespace varnok::host {

class MonoAudioReader final {
 public:
  // Opens `path`: channel `channel` (from 0) alone, or every channel averaged
  // to mono. Throws HostError naming the file and the reason.
  explicit MonoAudioReader(const std::string& path, int channel = kAllChannels);

  int sample_rate() const { return source_->sample_rate(); }
  // Frames the file's header declares. Read gives fewer when the file was cut
  // short.
  std::size_t declared_frames() const { return source_->declared_frames(); }

  // Fills `out` with up to `frames` samples (full level 1). Fewer only at the
  // end of the file; 0 once it is all read.
  std::size_t Read(float* out, std::size_t frames) { return source_->Read(out, frames); }

 private:
  std::unique_ptr<AudioSource> source_;
};

// The reader for what our own WAV reader does not read: libsndfile's, where
// the build has it (one definition per build).
std::unique_ptr<AudioSource> OpenOtherAudio(const std::string& path, int channel);

}  // namespace varnok::host
