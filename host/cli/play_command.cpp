// machine-host play SONG and machine-host live PLUGIN --keyboard: the song or a
// keyboard heard as it plays, through the JACK audio server, with the
// Analyzers' windows drawn as they refresh.
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "host/cli/commands.h"
#include "host/cli/in_place_drawing.h"
#include "host/cli/option_checks.h"
#include "host/cli/peak_report.h"
#include "host/cli/song_meters.h"
#include "host/core/host_error.h"
#include "host/live/jack_client.h"
#include "host/live/keyboard.h"
#include "host/live/live_engine.h"
#include "host/song/song_limits.h"
#include "host/song/song_parser.h"
#include "host/core/plugin_library.h"
#include "platform/dialog_driver.h"
#include "platform/last_resort.h"
#include "platform/terminal.h"

namespace varnok::host::cli {
namespace {

constexpr const char* kClientName = "machine-host";
// How often the user-interface side looks for ticks: well under a tick at any
// tempo a song may have, so each window refreshes close to where its tick began.
constexpr auto kPollInterval = std::chrono::milliseconds(2);
// Asked to stop, a song whose audio thread plays no frame for this long is
// stuck: the process then ends within half a second more.
constexpr auto kStuckAfter = std::chrono::milliseconds(400);
// --gain turns the output down, never up past the render's own level; below
// -96 dB a full-level sample is under the machines' 16-bit step.
constexpr double kQuietestGainDb = -96.0;
constexpr double kLoudestGainDb = 0.0;

struct LiveOptions {
  std::string song;  // play
  PluginChoice plugin;  // live
  std::string keyboard;  // play: the machine the keyboard plays
  bool keyboard_flag = false;  // live
  std::string plugin_folder;
  double tail_seconds = 0.0;
  double gain_db = 0.0;
  bool loop = false;
  bool no_connect = false;
  int beats_per_minute = kDefaultBeatsPerMinute;
  int ticks_per_beat = kDefaultTicksPerBeat;
};

std::atomic<int> interrupted{0};  // the signal that asked to stop, or 0
extern "C" void NoteInterrupt(int signal) {
  interrupted.store(signal, std::memory_order_relaxed);
  StopEmulatedCalls();  // an emulated machine stuck in a call fails it now
}

// Ctrl-C and SIGTERM stop the song instead of the process while it plays.
class InterruptsStopTheSong {
 public:
  InterruptsStopTheSong() {
    interrupted.store(0);
    previous_int_ = std::signal(SIGINT, NoteInterrupt);
    previous_term_ = std::signal(SIGTERM, NoteInterrupt);
  }
  ~InterruptsStopTheSong() {
    std::signal(SIGINT, previous_int_);
    std::signal(SIGTERM, previous_term_);
  }

 private:
  void (*previous_int_)(int) = SIG_DFL;
  void (*previous_term_)(int) = SIG_DFL;
};

// [ui] Plays until the song and its tail are over, Ctrl-C included.
void PlayThrough(live::JackClient& client, SongRenderer& renderer, int keyboard, const LiveOptions& options,
                 const std::string& what) {
  const SongMeters meters(renderer, SongMeters::Pumping::kByCaller);
  const auto gain = static_cast<float>(std::pow(10.0, options.gain_db / 20.0));
  live::LiveEngine engine(client, renderer, keyboard, gain);
  client.Activate(&live::LiveEngine::Process, &engine);
  jack_port_t* output = engine.Output();
  if (!options.no_connect && !client.ConnectToPlayback(&output, 1)) {
    std::fprintf(stderr, "machine-host: the JACK server has no playback ports; connect %s yourself\n",
                 jack_port_name(output));
  }
  const std::string keys = keyboard >= 0 ? std::string(", keyboard on ") + jack_port_name(engine.Keyboard()) : "";
  std::fprintf(stderr, "playing %s as %s at %d Hz%s; Ctrl-C stops\n", what.c_str(), jack_port_name(output),
               client.SampleRate(), keys.c_str());
  const InterruptsStopTheSong interrupts;
  // Every Analyzer's table, redrawn in place when standard output is a terminal.
  const bool draw_meters = !meters.Empty() && platform::StandardOutputIsTerminal();
  InPlaceDrawing drawing;
  engine.Play();
  bool stop_asked = false;
  std::uint64_t frames_then = 0;
  auto moved_at = std::chrono::steady_clock::now();
  while (!engine.Finished()) {
    if (client.ServerGone()) throw HostError("the JACK server went away; the song stopped");
    const int signal = interrupted.load(std::memory_order_relaxed);
    if (!stop_asked && signal != 0) {
      engine.RequestStop();
      stop_asked = true;
    }
    // Asked to stop, the song may ring out its tail; a native machine stuck
    // in the audio thread would hold it for good, so its silence ends it.
    std::uint64_t frames_now = 0;
    engine.FramesPlayed(frames_now);
    const auto now = std::chrono::steady_clock::now();
    if (frames_now != frames_then) {
      frames_then = frames_now;
      moved_at = now;
    } else if (stop_asked && now - moved_at > kStuckAfter) {
      platform::EndWithin(signal);
    }
    bool ticked = false;
    for (int tick = 0; engine.Ticks().Pop(tick);) ticked = true;
    if (ticked) {
      platform::PumpDialogMessages();
      if (draw_meters) drawing.Redraw(meters.PrintedLines(), [&] { meters.PrintShown(stdout); });
    }
    std::this_thread::sleep_for(kPollInterval);
  }
  std::uint64_t frames = 0;
  engine.FramesPlayed(frames);
  drawing.Clear();
  renderer.ThrowIfFailed();
  std::printf("played %.3f s, %d ticks; JACK reported %u under- or overruns\n",
              static_cast<double>(frames) / client.SampleRate(),
              renderer.TicksDone(), client.Xruns());
  PrintPeak(stdout, engine.Level().peak, "samples over full scale (a sound card clips them)",
            engine.Level().over_full_scale);
  meters.Print(stdout);
}

RenderSettings LiveSettings(const LiveOptions& options, const CLI::App& app) {
  RenderSettings settings;
  settings.tail_seconds = options.tail_seconds;
  settings.plugin_folder = PluginFolder(options.plugin_folder, app);
  settings.halt_before_tail = true;
  settings.loop = options.loop;
  return settings;
}

// The server's sample rate wins: the machines are told it, so the song keeps its pitch.
void TakeServerRate(Song& song, const live::JackClient& client) {
  if (song.sample_rate == client.SampleRate()) return;
  std::fprintf(stderr, "machine-host: the song is at %d Hz; playing it at the JACK server's %d Hz\n",
               song.sample_rate, client.SampleRate());
  song.sample_rate = client.SampleRate();
}

// The song and the plug-in are judged before the server is sought: a mistake
// in them is told the same with or without JACK.
void RunPlay(const LiveOptions& options, const CLI::App& app) {
  Song song = LoadSong(options.song);
  live::JackClient client(kClientName);
  TakeServerRate(song, client);
  SongRenderer renderer(song, LiveSettings(options, app));
  const int keyboard = options.keyboard.empty() ? -1 : live::KeyboardMachine(renderer, options.keyboard);
  PlayThrough(client, renderer, keyboard, options, options.song);
}

void RunLive(const LiveOptions& options, const CLI::App& app) {
  // Found and judged as info finds a plug-in; the song then names its file.
  const Plugin plugin = LoadChosenPlugin(options.plugin, app);
  live::RequireKeyboardNotes(plugin.Description(), plugin.Description().full_name);
  live::JackClient client(kClientName);
  LiveOptions looped = options;
  looped.loop = true;
  const Song song = live::KeyboardSong(plugin.Path(), options.beats_per_minute, options.ticks_per_beat,
                                       client.SampleRate());
  SongRenderer renderer(song, LiveSettings(looped, app));
  PlayThrough(client, renderer, live::KeyboardMachine(renderer, live::kKeyboardSongMachine), looped,
              options.plugin.word);
}

void AddCommonOptions(CLI::App& command, LiveOptions& options) {
  command.add_option("--tail", options.tail_seconds, "Seconds to play on after the machines halt")
      ->check(Seconds(0.0, kLongestTailSeconds));
  command.add_option("--gain", options.gain_db, "Gain in decibels, 0 or below (-6: about half the level)")
      ->check(Decibels(kQuietestGainDb, kLoudestGainDb))
      ->capture_default_str();
  command.add_flag("--no-connect", options.no_connect, "Leave the output port unconnected");
}

}  // namespace

void AddPlayCommands(CLI::App& app) {
  auto options = std::make_shared<LiveOptions>();
  auto* play = app.add_subcommand("play", "Play a song live through the JACK audio server");
  play->add_option("song", options->song, "Song file")->required()->check(NotEmpty("a song file"));
  play->add_flag("--loop", options->loop, "Play the song again from its start until Ctrl-C");
  play->add_option("--keyboard", options->keyboard, "Machine of the song that a JACK MIDI keyboard plays")
      ->check(NotEmpty("a machine's name"));
  play->add_option("--plugins", options->plugin_folder,
                   "Folder of plug-ins named in songs (default: ../plugins beside machine-host)")
      ->check(NotEmpty("a folder"));
  AddCommonOptions(*play, *options);
  play->callback([options, &app] { RunPlay(*options, app); });

  auto* live = app.add_subcommand("live", "Play one machine from a JACK MIDI keyboard, without a song");
  AddPluginOptions(*live, options->plugin);
  live->add_flag("--keyboard", options->keyboard_flag, "Open a JACK MIDI input for the keyboard")->required();
  live->add_option("--bpm", options->beats_per_minute, "Beats per minute, for the tick")
      ->check(WholeNumber(1, kMaxTempo))
      ->capture_default_str();
  live->add_option("--tpb", options->ticks_per_beat, "Ticks per beat")
      ->check(WholeNumber(1, kMaxTicksPerBeat))
      ->capture_default_str();
  AddCommonOptions(*live, *options);
  live->callback([options, &app] { RunLive(*options, app); });
}

}  // namespace varnok::host::cli
