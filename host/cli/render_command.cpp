// machine-host render SONG -o OUT.wav: plays a song through its machines and
// writes the master mix.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "host/audio/audio_file.h"
#include "host/cli/commands.h"
#include "host/cli/option_checks.h"
#include "host/cli/song_meters.h"
#include "host/core/host_error.h"
#include "host/render/plugin_locator.h"
#include "host/render/song_renderer.h"
#include "host/song/song_parser.h"
#include "platform/terminal.h"

namespace varnok::host::cli {
namespace {

constexpr int kProgressWidth = 40;
// A tail is the end of a song, not a song of its own.
constexpr double kLongestTailSeconds = 3600.0;

struct RenderOptions {
  std::string song;
  std::string output;
  std::string format = SampleFormatName(SampleFormat::kFloat);
  std::string plugin_folder;
  int block = kDefaultBlock;
  double tail_seconds = 0.0;
};

// Redraws a bar on stderr when the shown percentage changes.
class ProgressBar {
 public:
  void Show(int done, int total) {
    const int percent = total > 0 ? done * 100 / total : 100;
    if (percent == shown_) return;
    shown_ = percent;
    const int filled = percent * kProgressWidth / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(filled, '#').c_str(),
                 std::string(kProgressWidth - filled, '.').c_str(), percent);
    std::fflush(stderr);
  }
  ~ProgressBar() {
    if (shown_ >= 0) std::fprintf(stderr, "\r%*s\r", kProgressWidth + 8, "");
  }

 private:
  int shown_ = -1;
};

float Peak(const std::vector<float>& samples) {
  float peak = 0.0f;
  for (float s : samples) peak = std::max(peak, std::fabs(s));
  return peak;
}

std::string Decibels(float peak) {
  if (peak <= 0.0f) return "-inf dBFS";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f dBFS", 20.0 * std::log10(peak / kFullScale));
  return text;
}

void PrintSummary(const RenderOptions& options, SampleFormat format, const std::vector<float>& mix,
                  int sample_rate, const WriteReport& report, double seconds_taken) {
  const double length = static_cast<double>(mix.size()) / sample_rate;
  std::printf("%s: %.3f s, %zu samples at %d Hz, %s\n", options.output.c_str(), length, mix.size(),
              sample_rate, SampleFormatName(format));
  const bool pcm = format != SampleFormat::kFloat;
  std::printf("peak %s, %s %zu\n", Decibels(Peak(mix)).c_str(),
              pcm ? "clipped samples" : "samples over full scale (kept in float)",
              report.over_full_scale);
  std::printf("rendered in %.3f s (%.1fx real time)\n", seconds_taken,
              seconds_taken > 0.0 ? length / seconds_taken : 0.0);
}

void Run(const RenderOptions& options, const std::string& program) {
  SampleFormat format = SampleFormat::kFloat;
  if (!ParseSampleFormat(options.format, format)) {
    throw HostError("--format: expected float, pcm16 or pcm24, got '" + options.format + "'");
  }
  RenderSettings settings;
  settings.block = options.block;
  settings.tail_seconds = options.tail_seconds;
  settings.plugin_folder =
      options.plugin_folder.empty() ? PluginFolderBeside(program) : options.plugin_folder;

  const auto start = std::chrono::steady_clock::now();
  SongRenderer renderer(LoadSong(options.song), settings);
  const SongMeters meters(renderer);
  std::unique_ptr<ProgressBar> bar;
  if (platform::StandardErrorIsTerminal()) bar = std::make_unique<ProgressBar>();
  const std::vector<float>& mix =
      renderer.Render([&bar](int done, int total) { if (bar) bar->Show(done, total); });
  bar.reset();
  const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;

  const WriteReport report =
      WriteMonoWav(options.output, mix.data(), mix.size(), renderer.SampleRate(), format);
  PrintSummary(options, format, mix, renderer.SampleRate(), report, taken.count());
  meters.Print();
}

}  // namespace

void AddRenderCommand(CLI::App& app) {
  auto* command = app.add_subcommand("render", "Play a song through its machines into a WAV file");
  auto options = std::make_shared<RenderOptions>();
  command->add_option("song", options->song, "Song file")->required()->check(NotEmpty("a song file"));
  command->add_option("-o,--output", options->output, "WAV file to write")
      ->required()
      ->check(NotEmpty("an output file"));
  command->add_option("--format", options->format, "Sample format: float, pcm16 or pcm24")
      ->capture_default_str();
  command->add_option("--block", options->block, "Samples per Render call")
      ->check(WholeNumber(1, kMaxBlock))
      ->capture_default_str();
  command->add_option("--tail", options->tail_seconds, "Seconds to play on after the last row")
      ->check(Seconds(0.0, kLongestTailSeconds));
  command->add_option("--plugins", options->plugin_folder,
                      "Folder of plug-ins named in songs (default: ../plugins beside machine-host)")
      ->check(NotEmpty("a folder"));
  command->callback([options, &app] { Run(*options, app.get_name()); });
}

}  // namespace varnok::host::cli
