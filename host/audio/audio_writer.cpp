#include "host/audio/audio_writer.h"

#include <algorithm>

#include "host/audio/audio_encoder.h"

namespace varnok::host {

AudioWriter::AudioWriter(OutputFile& output, const OutputFormat& format, int sample_rate,
                         std::uint64_t frames)
    : output_(output), samples_(format.samples) {
  RequireRoomFor(output.Shown(), format, frames);
  encoder_ = MakeEncoder(output.Open(), output.Shown(), format, sample_rate, frames);
}

AudioWriter::~AudioWriter() = default;

void AudioWriter::Write(const float* samples, std::size_t count) {
  for (std::size_t done = 0; done < count;) {
    const std::size_t n = std::min(kChunk, count - done);
    const float* in = samples + done;
    switch (samples_) {
      case SampleFormat::kPcm16:
        report_.over_full_scale += ToPcm16(in, n, pcm16_.data());
        encoder_->WritePcm16(pcm16_.data(), n);
        break;
      case SampleFormat::kPcm24:
        report_.over_full_scale += ToPcm24(in, n, pcm24_.data());
        encoder_->WritePcm24(pcm24_.data(), n);
        break;
      case SampleFormat::kFloat:
        report_.over_full_scale += ToUnitFloat(in, n, unit_.data());
        encoder_->WriteFloat(unit_.data(), n);
        break;
    }
    done += n;
  }
}

WriteReport AudioWriter::Finish() {
  encoder_->Finish();
  encoder_.reset();
  output_.Commit();
  return report_;
}

}  // namespace varnok::host
