// machine-host analyze FILE: plays an audio file through the Analyzer with its
// window open and prints the six values the window shows.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "host/analyze/meter_run.h"
#include "host/audio/audio_file.h"
#include "host/audio/mono_audio_reader.h"
#include "host/cli/commands.h"
#include "host/core/host_error.h"
#include "host/core/host_services.h"
#include "host/core/machine_instance.h"
#include "host/core/plugin.h"
#include "host/render/plugin_locator.h"
#include "platform/terminal.h"

namespace varnok::host::cli {
namespace {

constexpr const char* kAnalyzerName = "Varnok's Analyzer";
constexpr const char* kPluginSuffixes[] = {".so", ".dll", ""};

struct AnalyzeOptions {
  std::string file;
  int channel = kAllChannels;
  int beats_per_minute = 125;
  int ticks_per_beat = 4;
  int every = 0;
  bool json = false;
  bool meter = false;
  std::string plugin;
  std::string plugin_folder;
};

std::string AnalyzerPlugin(const AnalyzeOptions& options, const std::string& program) {
  if (!options.plugin.empty()) return options.plugin;
  const std::string folder =
      options.plugin_folder.empty() ? PluginFolderBeside(program) : options.plugin_folder;
  for (const char* suffix : kPluginSuffixes) {
    const std::filesystem::path candidate = std::filesystem::path(folder) / (std::string(kAnalyzerName) + suffix);
    std::error_code error;
    if (std::filesystem::is_regular_file(candidate, error)) return candidate.string();
  }
  throw HostError(folder + ": no " + kAnalyzerName + " plug-in here (use --plugin)");
}

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

std::string JsonColumn(const MeterColumn& column) {
  return "{\"level\": " + JsonString(column.level) + ", \"amplitude\": " +
         JsonString(column.amplitude) + ", \"offset\": " + JsonString(column.offset) + "}";
}

void PrintJson(const MeterReading& reading) {
  std::printf("{\"current\": %s, \"average\": %s}\n", JsonColumn(reading.current).c_str(),
              JsonColumn(reading.average).c_str());
}

// Redraws the table in place on a terminal, at the pace of the music.
class LiveMeter {
 public:
  LiveMeter(double seconds_per_tick) : tick_length_(seconds_per_tick) {}

  void Show(const MeterReading& reading) {
    if (drawn_) std::printf("\x1b[%dA", kMeterTableLines);
    std::printf("\x1b[J");
    PrintMeterTable(reading);
    std::fflush(stdout);
    drawn_ = true;
    std::this_thread::sleep_until(start_ + std::chrono::duration<double>(tick_length_ * reading.ticks_measured));
  }

 private:
  const double tick_length_;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  bool drawn_ = false;
};

void Run(const AnalyzeOptions& options, const std::string& program) {
  MonoAudioReader audio(options.file, options.channel);
  if (audio.sample_rate() <= 0) throw HostError(options.file + ": no sample rate");
  const Plugin plugin = Plugin::Load(AnalyzerPlugin(options, program));
  HostInfo info = MakeHostInfo(audio.sample_rate(), options.beats_per_minute, options.ticks_per_beat);
  StandInHostServices services;
  MachineInstance machine(plugin, info, services);

  const bool live = options.meter && platform::StandardOutputIsTerminal();
  std::unique_ptr<LiveMeter> meter;
  if (live) meter = std::make_unique<LiveMeter>(static_cast<double>(info.samples_per_tick) / audio.sample_rate());
  const auto show = [&](const MeterReading& reading) {
    if (meter) {
      meter->Show(reading);
    } else if (options.json) {
      PrintJson(reading);
    } else {
      std::printf("after %d ticks\n", reading.ticks_measured);
      PrintMeterTable(reading);
    }
  };
  const int every = options.meter ? 1 : options.every;
  const AudioPull pull = [&audio](float* out, std::size_t frames) { return audio.Read(out, frames); };
  const MeterReading last = RunMeter(*machine, pull, every, show);
  if (every > 0) return;
  if (options.json) {
    PrintJson(last);
  } else {
    PrintMeterTable(last);
  }
}

}  // namespace

void AddAnalyzeCommand(CLI::App& app) {
  auto* command = app.add_subcommand(
      "analyze", "Play an audio file through the Analyzer and print what its window shows");
  auto options = std::make_shared<AnalyzeOptions>();
  command->add_option("file", options->file, "Audio file (any format libsndfile reads)")->required();
  command->add_option("--channel", options->channel, "Measure this channel alone, from 0 (default: all mixed)")
      ->check(CLI::NonNegativeNumber);
  command->add_option("--bpm", options->beats_per_minute, "Beats per minute")
      ->check(CLI::Range(1, 1000))
      ->capture_default_str();
  command->add_option("--tpb", options->ticks_per_beat, "Ticks per beat")
      ->check(CLI::Range(1, 64))
      ->capture_default_str();
  command->add_option("--every", options->every, "Print the values every N ticks")->check(CLI::PositiveNumber);
  command->add_flag("--json", options->json, "One JSON line per print");
  command->add_flag("--meter", options->meter, "Show the values live, at the pace of the music");
  command->add_option("--plugin", options->plugin, "The Analyzer plug-in file");
  command->add_option("--plugins", options->plugin_folder,
                      "Folder holding the Analyzer (default: ../plugins beside machine-host)");
  command->callback([options, &app] { Run(*options, app.get_name()); });
}

}  // namespace varnok::host::cli
