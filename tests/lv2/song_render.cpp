#include "song_render.h"

#include "framework/render_signal.h"
#include "host/render/song_renderer.h"
#include "host/song/song_parser.h"

namespace varnok::lv2::testing {

std::vector<float> RenderSong(const std::string& text, std::uint32_t frames) {
  host::RenderSettings settings;
  settings.plugin_folder = VARNOK_PLUGIN_DIR;
  host::SongRenderer renderer(host::ParseSong(text, "test.song", "."), settings);
  std::vector<float> out(frames, 0.0f);
  for (std::size_t done = 0; done < out.size();) {
    const std::size_t got = renderer.Pull(out.data() + done, out.size() - done);
    if (got == 0) break;
    done += got;
  }
  for (float& sample : out) sample /= kFullLevel;
  return out;
}

}  // namespace varnok::lv2::testing
