// Which machine a keyboard plays, and the song that only keeps time for one.
#pragma once

#include <string>

#include "host/render/song_renderer.h"
#include "host/song/song.h"

namespace varnok::host::live {

// Throws HostError, naming `what` and the machine that does, unless
// `description` is of a machine that plays keyboard notes.
void RequireKeyboardNotes(const MachineDescription& description, const std::string& what);

// The placed machine `name` of `renderer`, refused when it is not there or
// takes no keyboard notes. Throws HostError.
int KeyboardMachine(const SongRenderer& renderer, const std::string& name);

// A song of one machine, `plugin` (a file or a plug-in's name), routed to the
// master and playing empty ticks: meant to loop while a keyboard plays it.
Song KeyboardSong(const std::string& plugin, int beats_per_minute, int ticks_per_beat, int sample_rate);

// The name KeyboardSong places its machine under.
inline constexpr const char* kKeyboardSongMachine = "keyboard";

}  // namespace varnok::host::live
