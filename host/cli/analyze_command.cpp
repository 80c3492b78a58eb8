// machine-host analyze FILE: plays an audio file through the Analyzer with its
// window open, prints the six values the window shows, and beside them what the
// host measures over the whole file.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <thread>

#include "analyzer/analyzer_face.h"
#include "host/analyze/audio_feed.h"
#include "host/analyze/audio_summary.h"
#include "host/analyze/meter_run.h"
#include "host/audio/audio_file.h"
#include "host/audio/mono_audio_reader.h"
#include "host/cli/commands.h"
#include "host/cli/in_place_drawing.h"
#include "host/cli/option_checks.h"
#include "host/core/host_error.h"
#include "host/core/host_services.h"
#include "host/core/machine_instance.h"
#include "host/core/plugin.h"
#include "host/song/song.h"
#include "host/song/song_limits.h"
#include "platform/terminal.h"

namespace varnok::host::cli {
namespace {

struct AnalyzeOptions {
  std::string file;
  int channel = kAllChannels;
  int beats_per_minute = kDefaultBeatsPerMinute;
  int ticks_per_beat = kDefaultTicksPerBeat;
  int every = 0;
  bool json = false;
  bool meter = false;
  PluginChoice plugin{analyzer::kAnalyzerName, ""};
};

// Where the readings stand in the file.
struct Timing {
  int sample_rate;
  int samples_per_tick;
  double Seconds(std::size_t samples) const { return static_cast<double>(samples) / sample_rate; }
  double AtTick(int tick) const { return Seconds(static_cast<std::size_t>(tick) * samples_per_tick); }
};

std::string JsonString(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      quoted += escaped;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string JsonNumber(double value, const char* format = "%.6g") {
  if (!std::isfinite(value)) return "null";
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// The number a window text shows ("-7.92 dB", "50.0 %", "0.0"); null for
// "-inf dB" and for a template text that no refresh has rewritten.
std::string JsonNumberOf(const std::string& text) {
  const char* start = text.c_str();
  char* end = nullptr;
  const double value = std::strtod(start, &end);
  if (end == start || std::isinf(value)) return "null";
  return JsonNumber(value, "%.10g");
}

std::string JsonColumn(const MeterColumn& column) {
  return "{\"level\": " + JsonString(column.level) + ", \"level_db\": " + JsonNumberOf(column.level) +
         ", \"amplitude\": " + JsonString(column.amplitude) +
         ", \"amplitude_percent\": " + JsonNumberOf(column.amplitude) + ", \"offset\": " +
         JsonString(column.offset) + ", \"offset_value\": " + JsonNumberOf(column.offset) + "}";
}

void PrintJson(const MeterReading& reading, const Timing& timing) {
  std::printf("{\"tick\": %d, \"time\": %s, \"current\": %s, \"average\": %s}\n", reading.ticks_measured,
              JsonNumber(timing.AtTick(reading.ticks_measured)).c_str(), JsonColumn(reading.current).c_str(),
              JsonColumn(reading.average).c_str());
}

void PrintTable(const MeterReading& reading, const Timing& timing) {
  std::printf("Analyzer window after %d ticks (%.3f s)\n", reading.ticks_measured,
              timing.AtTick(reading.ticks_measured));
  PrintMeterTable(reading);
}

double Dbfs(double share) { return share > 0.0 ? 20.0 * std::log10(share) : -INFINITY; }

std::string DbfsText(double share) {
  if (share <= 0.0) return "-inf dBFS";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f dBFS", Dbfs(share));
  return text;
}

void PrintSummary(const AudioSummary& summary, const MeterEnd& end, const Timing& timing, bool json) {
  const int ticks = end.last.ticks_measured;
  if (json) {
    std::printf("{\"summary\": {\"samples\": %zu, \"duration\": %s, \"ticks\": %d, \"partial_tick_samples\": %zu, "
                "\"peak_dbfs\": %s, \"rms_dbfs\": %s, \"dc_offset\": %s, \"non_finite_samples\": %zu}}\n",
                summary.Samples(), JsonNumber(timing.Seconds(summary.Samples())).c_str(), ticks, end.partial_tick,
                JsonNumber(Dbfs(summary.Peak()), "%.4f").c_str(), JsonNumber(Dbfs(summary.Rms()), "%.4f").c_str(),
                JsonNumber(summary.SignedOffset(), "%.6f").c_str(), summary.NonFinite());
    return;
  }
  std::printf("Whole file, measured by machine-host\n");
  std::printf("  duration     %.3f s, %zu samples at %d Hz\n", timing.Seconds(summary.Samples()), summary.Samples(),
              timing.sample_rate);
  std::printf("  ticks        %d whole ticks of %d samples", ticks, timing.samples_per_tick);
  if (end.partial_tick > 0) {
    std::printf(", and %zu sample%s more that the window does not show", end.partial_tick,
                end.partial_tick == 1 ? "" : "s");
  }
  std::printf("\n  sample peak  %s\n  RMS          %s\n", DbfsText(summary.Peak()).c_str(),
              DbfsText(summary.Rms()).c_str());
  std::printf("  DC offset    %+.6f of full scale (%+.1f on the window's scale)\n", summary.SignedOffset(),
              summary.SignedOffset() * kFullLevel);
  std::printf("  NaN or inf   %zu samples\n", summary.NonFinite());
}

void Warn(const std::string& text) { std::fprintf(stderr, "machine-host: warning: %s\n", Escaped(text).c_str()); }

// A folder or an empty file is no audio file; say so before any reader guesses.
void RequireAudioFile(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (fs::is_directory(path, error)) throw HostError(path + ": is a folder, not an audio file");
  if (fs::is_regular_file(path, error) && fs::file_size(path, error) == 0) {
    throw HostError(path + ": is empty (0 bytes), not an audio file");
  }
}

// Redraws the table in place on a terminal, at the pace of the music.
class LiveMeter {
 public:
  explicit LiveMeter(double seconds_per_tick) : tick_length_(seconds_per_tick) {}

  void Show(const MeterReading& reading) {
    drawing_.Redraw(kMeterTableLines, [&] { PrintMeterTable(reading); });
    std::this_thread::sleep_until(start_ + std::chrono::duration<double>(tick_length_ * reading.ticks_measured));
  }

 private:
  const double tick_length_;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  InPlaceDrawing drawing_;
};

void Run(const AnalyzeOptions& options, const CLI::App& app) {
  RequireAudioFile(options.file);
  MonoAudioReader audio(options.file, options.channel);
  if (audio.sample_rate() <= 0) throw HostError(options.file + ": no sample rate");
  HostInfo info = MakeHostInfo(audio.sample_rate(), options.beats_per_minute, options.ticks_per_beat);
  const Timing timing{audio.sample_rate(), std::max(info.samples_per_tick, 1)};
  // Reading starts while the Analyzer loads, so the first audio is ready for it.
  AudioSummary summary;
  AudioFeed feed(audio, summary, static_cast<std::size_t>(timing.samples_per_tick));
  const Plugin plugin = LoadChosenPlugin(options.plugin, app);
  StandInHostServices services;
  MachineInstance machine(plugin, info, services);

  std::unique_ptr<LiveMeter> meter;
  if (options.meter && platform::StandardOutputIsTerminal()) {
    meter = std::make_unique<LiveMeter>(timing.AtTick(1));
  }
  const auto show = [&](const MeterReading& reading) {
    if (meter) {
      meter->Show(reading);
    } else if (options.json) {
      PrintJson(reading, timing);
    } else {
      PrintTable(reading, timing);
    }
  };
  const int every = options.meter ? 1 : options.every;
  MeterEnd end;
  try {
    end = RunMeter(*machine, plugin.Description(),
                   [&](std::size_t frames, std::size_t& count) { return feed.Pull(frames, count); }, every, show);
  } catch (const NoMeterWindow& error) {
    throw HostError(plugin.Path() + ": " + error.what() + ", so it is not an Analyzer");
  }

  if (summary.Samples() == 0) throw HostError(options.file + ": holds no samples, only a header");
  if (summary.Samples() < audio.declared_frames()) {
    Warn(options.file + ": truncated: its header promises " + std::to_string(audio.declared_frames()) +
         " samples, it holds " + std::to_string(summary.Samples()));
  }
  if (end.last.ticks_measured == 0) {
    Warn(options.file + ": shorter than one tick (" + std::to_string(summary.Samples()) + " of " +
         std::to_string(timing.samples_per_tick) + " samples): the window has nothing to show");
  } else if (every == 0) {
    show(end.last);
  }
  if (summary.NonFinite() > 0) {
    Warn(options.file + ": " + std::to_string(summary.NonFinite()) +
         " samples are NaN or infinite; the window's readings do not stand for the signal");
  }
  PrintSummary(summary, end, timing, options.json);
}

}  // namespace

void AddAnalyzeCommand(CLI::App& app) {
  auto* command = app.add_subcommand(
      "analyze", "Play an audio file through the Analyzer and print what its window shows");
  auto options = std::make_shared<AnalyzeOptions>();
  command->add_option("file", options->file, "Audio file (any format libsndfile reads)")
      ->required()
      ->check(NotEmpty("an audio file"));
  command->add_option("--channel", options->channel, "Measure this channel alone, from 0 (default: all mixed)")
      ->check(WholeNumber(0, std::numeric_limits<int>::max()));
  command->add_option("--bpm", options->beats_per_minute, "Beats per minute")
      ->check(WholeNumber(1, kMaxTempo))  // a song's tick can be given as it stands
      ->capture_default_str();
  command->add_option("--tpb", options->ticks_per_beat, "Ticks per beat")
      ->check(WholeNumber(1, kMaxTicksPerBeat))
      ->capture_default_str();
  auto* every = command->add_option("--every", options->every, "Print the values every N ticks")
                    ->check(WholeNumber(1, std::numeric_limits<int>::max()));
  auto* json = command->add_flag("--json", options->json, "One JSON line per print, then one of the summary");
  command->add_flag("--meter", options->meter, "Show the values live, at the pace of the music")
      ->excludes(every)
      ->excludes(json);
  command->add_option("--plugin", options->plugin.word, "The Analyzer: a plug-in file or name")
      ->capture_default_str()
      ->check(NotEmpty("a plug-in file or name"));
  command->add_option("--plugins", options->plugin.folder,
                      "Folder where plug-in names are looked up (default: ../plugins beside machine-host)")
      ->check(NotEmpty("a folder"));
  command->callback([options, &app] { Run(*options, app); });
}

}  // namespace varnok::host::cli
