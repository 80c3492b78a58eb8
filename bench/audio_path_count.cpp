// audio-path-count SONG [PLUGIN-FOLDER]: plays a song through its machines and
// prints how many heap operations and locks the playing took. Everything the
// host does per tick and per block is counted, so 0 proves the machines' audio
// path free of both. Exits 0 for none, 1 for some, 2 on an error and 77 where
// the build cannot count (the code test runners take for "skipped").
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "host/render/song_renderer.h"
#include "host/song/song_parser.h"
#include "platform/audio_path_probe.h"

constexpr int kCannotCount = 77;

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: audio-path-count SONG [PLUGIN-FOLDER]\n");
    return 2;
  }
  namespace host = varnok::host;
  namespace platform = varnok::platform;
  if (!platform::AudioPathProbeAvailable()) {
    std::fprintf(stderr, "audio-path-count: heap and lock counting is not available in this build\n");
    return kCannotCount;
  }
  try {
    host::RenderSettings settings;
    settings.plugin_folder = argc == 3 ? argv[2] : VARNOK_PLUGIN_DIR;
    host::SongRenderer renderer(host::LoadSong(argv[1]), settings);
    std::vector<float> block(static_cast<std::size_t>(settings.block));
    platform::ArmAudioPathProbe();
    while (renderer.Pull(block.data(), block.size()) > 0) {
    }
    const platform::AudioPathCounts counts = platform::DisarmAudioPathProbe();
    renderer.ThrowIfFailed();
    std::printf("%s: %d ticks, %llu samples: %lu heap operations, %lu locks\n", argv[1], renderer.TotalTicks(),
                static_cast<unsigned long long>(renderer.TotalSamples()), counts.heap_operations, counts.locks);
    return counts.heap_operations == 0 && counts.locks == 0 ? 0 : 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "audio-path-count: %s\n", error.what());
    return 2;
  }
}
