// Reads the song file format (docs/song-format.md).
#pragma once

#include <string>

#include "host/song/song.h"

namespace varnok::host {

// `file` names the text in messages; `folder` is where its plug-in files are
// looked up. Throws SongError at the first mistake.
Song ParseSong(const std::string& text, const std::string& file, const std::string& folder);

// Reads and parses a song file. Throws HostError when it cannot be read.
Song LoadSong(const std::string& path);

}  // namespace varnok::host
