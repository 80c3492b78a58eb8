#include "host/audio/output_format.h"

#include <algorithm>
#include <filesystem>

#include "host/core/ascii_case.h"
#include "host/core/host_error.h"

namespace varnok::host {
namespace {

struct ContainerFacts {
  Container container;
  const char* extension;       // as listed to users
  const char* other_extension; // also accepted, or null
  const char* name;
  SampleFormat default_samples;
  bool takes_float;
  bool takes_pcm;
  bool streams;          // its header is complete before the first sample
  bool has_32_bit_sizes; // chunk sizes of 32 bits bound the file
};

constexpr ContainerFacts kContainers[] = {
    {Container::kWav, ".wav", nullptr, "WAV", SampleFormat::kFloat, true, true, true, true},
    {Container::kFlac, ".flac", nullptr, "FLAC", SampleFormat::kPcm24, false, true, false, false},
    {Container::kOgg, ".ogg", nullptr, "Ogg Vorbis", SampleFormat::kFloat, true, false, true, false},
    {Container::kAiff, ".aiff", ".aif", "AIFF", SampleFormat::kFloat, true, true, false, true},
};

// The largest sample data a RIFF or FORM file can describe, less room for the header.
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - 256;

const ContainerFacts& Facts(Container container) {
  return *std::find_if(std::begin(kContainers), std::end(kContainers),
                       [container](const ContainerFacts& facts) { return facts.container == container; });
}

std::string Shown(const std::string& name) { return name == "-" ? "standard output" : name; }

// ".wav, .flac, .ogg and .aiff", or ".wav only".
std::string WrittenHere() {
  std::string list;
  int count = 0;
  for (const ContainerFacts& facts : kContainers) {
    if (BuildWrites(facts.container)) ++count;
  }
  int listed = 0;
  for (const ContainerFacts& facts : kContainers) {
    if (!BuildWrites(facts.container)) continue;
    if (listed > 0) list += listed + 1 == count ? " and " : ", ";
    list += facts.extension;
    ++listed;
  }
  return count == 1 ? list + " only" : list;
}

}  // namespace

OutputFormat ChooseOutputFormat(const std::string& name, std::optional<SampleFormat> requested,
                                bool stream) {
  const std::string extension = name == "-" ? "" : Lower(std::filesystem::path(name).extension().string());
  const ContainerFacts* chosen = &Facts(Container::kWav);
  if (!extension.empty()) {
    chosen = nullptr;
    for (const ContainerFacts& facts : kContainers) {
      const bool named = extension == facts.extension ||
                         (facts.other_extension != nullptr && extension == facts.other_extension);
      if (named && BuildWrites(facts.container)) chosen = &facts;
    }
    if (chosen == nullptr) {
      throw HostError(name + ": cannot write " + extension + " files; this build writes " + WrittenHere());
    }
  }
  const SampleFormat samples = requested.value_or(chosen->default_samples);
  const bool fits = samples == SampleFormat::kFloat ? chosen->takes_float : chosen->takes_pcm;
  if (!fits) {
    throw HostError(name + ": " + chosen->name + " cannot hold " + SampleFormatName(samples) + " samples; it takes " +
                    (chosen->takes_pcm ? "pcm16 or pcm24" : "float"));
  }
  if (stream && !chosen->streams) {
    throw HostError(Shown(name) + ": " + chosen->name +
                    " cannot be written as a stream, its header is finished last; write it to a file");
  }
  return {chosen->container, samples};
}

std::string Describe(const OutputFormat& format) {
  const ContainerFacts& facts = Facts(format.container);
  if (!facts.takes_pcm) return facts.name;
  return std::string(SampleFormatName(format.samples)) + " " + facts.name;
}

void RequireRoomFor(const std::string& name, const OutputFormat& format, std::uint64_t frames) {
  const ContainerFacts& facts = Facts(format.container);
  const std::uint64_t bytes = frames * SampleBytes(format.samples);
  if (facts.has_32_bit_sizes && bytes > kMaxDataBytes) {
    throw HostError(Shown(name) + ": " + std::to_string(frames) + " samples of " + SampleFormatName(format.samples) +
                    " take " + std::to_string(bytes) + " bytes, more than " + facts.name +
                    " can hold (4 GB); choose a smaller --format" +
                    (BuildWrites(Container::kFlac) ? " or write .flac" : ""));
  }
}

}  // namespace varnok::host
