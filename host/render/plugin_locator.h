// Where the plug-ins that songs and commands name are found, and how they are
// loaded: one lookup for every caller.
#pragma once

#include <string>

#include "host/core/plugin.h"
#include "host/song/song.h"

namespace varnok::host {

// The plug-in folder of a built machine-host, <program's folder>/../plugins, or
// of an installed one, <program's folder>/../lib/varnok-machines/plugins: the first
// that exists, else the first. `program` is the name the program was started
// by (a path, or a bare name found on PATH).
std::string PluginFolderBeside(const std::string& program);

// How a word that names a plug-in becomes a file: a file relative to `folder`
// (or absolute); failing that, a plug-in name such as "Varnok's Pulse", with or
// without its file ending, in `plugin_folder`. Empty when neither exists.
std::string FindPlugin(const std::string& word, const std::string& folder, const std::string& plugin_folder);

// The file of the plug-in a command-line word names, relative to the current
// folder. Throws HostError naming the word when there is none.
std::string LocateNamedPlugin(const std::string& word, const std::string& plugin_folder);

// The plug-in a song's `machine` line names. Every failure, not found or not
// loadable, is a SongError at the word that also names the plug-in file.
Plugin LoadSongPlugin(const Song& song, const Word& plugin, const std::string& plugin_folder);

}  // namespace varnok::host
