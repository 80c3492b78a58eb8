#include "host/audio/audio_file.h"

namespace varnok::host {

bool ParseSampleFormat(const std::string& text, SampleFormat& format) {
  for (SampleFormat f : {SampleFormat::kFloat, SampleFormat::kPcm16, SampleFormat::kPcm24}) {
    if (text == SampleFormatName(f)) {
      format = f;
      return true;
    }
  }
  return false;
}

const char* SampleFormatName(SampleFormat format) {
  switch (format) {
    case SampleFormat::kPcm16: return "pcm16";
    case SampleFormat::kPcm24: return "pcm24";
    case SampleFormat::kFloat: break;
  }
  return "float";
}

}  // namespace varnok::host
