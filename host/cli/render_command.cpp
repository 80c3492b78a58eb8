// machine-host render SONG -o OUT: plays a song through its machines and
// writes the master mix as it plays.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/audio/audio_file.h"
#include "host/audio/audio_writer.h"
#include "host/audio/output_file.h"
#include "host/audio/output_format.h"
#include "host/cli/commands.h"
#include "host/cli/option_checks.h"
#include "host/cli/peak_report.h"
#include "host/cli/song_meters.h"
#include "host/core/host_error.h"
#include "host/render/song_renderer.h"
#include "host/song/song_parser.h"
#include "platform/terminal.h"

namespace varnok::host::cli {
namespace {

constexpr int kProgressWidth = 40;
// Samples pulled and written at a time, rounded down to whole blocks so that
// every Render call is as long as --block asks.
constexpr std::size_t kPullFrames = 8192;

struct RenderOptions {
  std::string song;
  std::string output;
  std::string format;  // empty: the container's own default
  std::string plugin_folder;
  int block = kDefaultBlock;
  double tail_seconds = 0.0;
};

// Redraws a bar on stderr when the shown percentage changes.
class ProgressBar {
 public:
  void Show(int done, int total) {
    const int percent = total > 0 ? static_cast<int>(static_cast<long long>(done) * 100 / total) : 100;
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

struct Summary {
  std::uint64_t samples = 0;
  int sample_rate = 0;
  float peak = 0.0f;
  std::size_t non_finite = 0;  // NaN or infinite, written as they are
  WriteReport report;
  double seconds_taken = 0.0;
};

void PrintSummary(std::FILE* text, const std::string& shown, const OutputFormat& format, const Summary& summary) {
  const double length = static_cast<double>(summary.samples) / summary.sample_rate;
  std::fprintf(text, "%s: %.3f s, %llu samples at %d Hz, %s\n", shown.c_str(), length,
               static_cast<unsigned long long>(summary.samples), summary.sample_rate, Describe(format).c_str());
  const bool pcm = format.samples != SampleFormat::kFloat;
  PrintPeak(text, summary.peak, pcm ? "clipped samples" : "samples over full scale (kept in float)",
            summary.report.over_full_scale);
  if (summary.non_finite > 0) std::fprintf(text, "NaN or inf %zu samples\n", summary.non_finite);
  std::fprintf(text, "rendered in %.3f s (%.1fx real time)\n", summary.seconds_taken,
               summary.seconds_taken > 0.0 ? length / summary.seconds_taken : 0.0);
}

std::optional<SampleFormat> RequestedFormat(const std::string& text) {
  if (text.empty()) return std::nullopt;
  SampleFormat format = SampleFormat::kFloat;
  if (!ParseSampleFormat(text, format)) {
    throw HostError("--format: expected float, pcm16 or pcm24, got '" + text + "'");
  }
  return format;
}

void Run(const RenderOptions& options, const CLI::App& app) {
  // Everything about the output is settled before the song is loaded or played.
  OutputFile output(options.output);
  output.RefuseToOverwrite(options.song, "song");
  const OutputFormat format =
      ChooseOutputFormat(options.output, RequestedFormat(options.format), output.IsStream());

  RenderSettings settings;
  settings.block = options.block;
  settings.tail_seconds = options.tail_seconds;
  settings.plugin_folder = PluginFolder(options.plugin_folder, app);

  const auto start = std::chrono::steady_clock::now();
  SongRenderer renderer(LoadSong(options.song), settings);
  for (std::size_t m = 0; m < renderer.MachineCount(); ++m) {
    for (const std::string& file : renderer.PluginOf(m).LoadedFiles()) output.RefuseToOverwrite(file, "plug-in file");
  }
  const SongMeters meters(renderer);
  AudioWriter writer(output, format, renderer.SampleRate(), renderer.TotalSamples());

  std::unique_ptr<ProgressBar> bar;
  if (platform::StandardErrorIsTerminal()) bar = std::make_unique<ProgressBar>();
  const auto block = static_cast<std::size_t>(settings.block);
  std::vector<float> audio(std::max<std::size_t>(1, kPullFrames / block) * block);
  Summary summary;
  for (;;) {
    output.StopIfInterrupted();
    const std::size_t got = renderer.Pull(audio.data(), audio.size());
    if (got == 0) break;
    for (std::size_t i = 0; i < got; ++i) {
      summary.peak = std::max(summary.peak, std::fabs(audio[i]));
      summary.non_finite += !std::isfinite(audio[i]);
    }
    writer.Write(audio.data(), got);
    summary.samples += got;
    if (bar) bar->Show(renderer.TicksDone(), renderer.TotalTicks());
  }
  bar.reset();
  renderer.ThrowIfFailed();  // before the output takes the place of an earlier one
  summary.report = writer.Finish();
  const std::chrono::duration<double> taken = std::chrono::steady_clock::now() - start;
  summary.seconds_taken = taken.count();
  summary.sample_rate = renderer.SampleRate();

  // Standard output may carry the audio itself.
  std::FILE* text = output.IsStandardOutput() ? stderr : stdout;
  PrintSummary(text, output.Shown(), format, summary);
  meters.Print(text);
}

}  // namespace

void AddRenderCommand(CLI::App& app) {
  auto* command = app.add_subcommand("render", "Play a song through its machines into an audio file");
  auto options = std::make_shared<RenderOptions>();
  command->add_option("song", options->song, "Song file")->required()->check(NotEmpty("a song file"));
  command->add_option("-o,--output", options->output,
                      "Audio file to write, its format from its name (.wav, .flac, .ogg, .aiff); '-' for standard output")
      ->required()
      ->check(NotEmpty("an output file"));
  command->add_option("--format", options->format,
                      "Sample format: float, pcm16 or pcm24 (default: float; pcm24 for .flac)")
      ->check(NotEmpty("a sample format: float, pcm16 or pcm24"));
  command->add_option("--block", options->block, "Samples per Render call")
      ->check(WholeNumber(1, kMaxBlock))
      ->capture_default_str();
  command->add_option("--tail", options->tail_seconds, "Seconds to play on after the last row")
      ->check(Seconds(0.0, kLongestTailSeconds));
  command->add_option("--plugins", options->plugin_folder,
                      "Folder of plug-ins named in songs (default: ../plugins beside machine-host)")
      ->check(NotEmpty("a folder"));
  command->callback([options, &app] { Run(*options, app); });
}

}  // namespace varnok::host::cli
