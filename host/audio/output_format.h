// What an output's file name asks for, and whether this build can write it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/audio/audio_file.h"

namespace varnok::host {

enum class Container { kWav, kFlac, kOgg, kAiff };

struct OutputFormat {
  Container container = Container::kWav;
  SampleFormat samples = SampleFormat::kFloat;
};

// The container follows the extension of `name` (none, as for "-": WAV); the
// sample format is `requested`, or the container's own default. `stream` is
// for outputs that cannot be sought in, which take only the containers whose
// header is complete before the samples. Throws HostError naming `name` when
// the build cannot write the container or the container cannot take the samples.
OutputFormat ChooseOutputFormat(const std::string& name, std::optional<SampleFormat> requested,
                                bool stream);

// For people: "pcm16 WAV", "pcm24 FLAC", "Ogg Vorbis".
std::string Describe(const OutputFormat& format);

// Throws HostError naming `name` when `frames` samples are more than the
// container's 32-bit sizes can describe.
void RequireRoomFor(const std::string& name, const OutputFormat& format, std::uint64_t frames);

// Whether this build writes `container` (defined once per build).
bool BuildWrites(Container container);

}  // namespace varnok::host
