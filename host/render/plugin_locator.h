// Where the plug-ins a song names are found.
#pragma once

#include <string>

#include "host/song/song.h"

namespace varnok::host {

// The plug-in folder of an installed or built machine-host: <program's folder>/../plugins.
// `program` is the name the program was started by (a path, or a bare name found
// on PATH).
std::string PluginFolderBeside(const std::string& program);

// A song's plug-in word is a file relative to the song's folder (or absolute);
// failing that, a plug-in name like "Varnok's Pulse" in `plugin_folder`.
// Throws SongError at the word when neither exists.
std::string LocatePlugin(const Song& song, const Word& plugin, const std::string& plugin_folder);

}  // namespace varnok::host
