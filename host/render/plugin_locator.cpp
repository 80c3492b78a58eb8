#include "host/render/plugin_locator.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace varnok::host {
namespace {

namespace fs = std::filesystem;

// Plug-in file endings on the systems the host runs on.
constexpr const char* kPluginSuffixes[] = {"", ".so", ".dll"};
constexpr const char* kPluginFolder = "../plugins";
// PATH lists folders with ';' where '\\' separates names, else with ':'.
constexpr char kPathListSeparator = fs::path::preferred_separator == '\\' ? ';' : ':';

bool IsFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

fs::path FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return {};
  const std::string entries = path;
  for (std::size_t start = 0; start <= entries.size();) {
    std::size_t end = entries.find(kPathListSeparator, start);
    if (end == std::string::npos) end = entries.size();
    const fs::path candidate = fs::path(entries.substr(start, end - start)) / name;
    if (end > start && IsFile(candidate)) return candidate;
    start = end + 1;
  }
  return {};
}

}  // namespace

std::string PluginFolderBeside(const std::string& program) {
  fs::path located(program);
  if (!located.has_parent_path()) {
    const fs::path found = FindOnPath(program);
    if (!found.empty()) located = found;
  }
  std::error_code error;
  fs::path folder = fs::absolute(located, error).parent_path() / kPluginFolder;
  return folder.lexically_normal().string();
}

std::string LocatePlugin(const Song& song, const Word& plugin, const std::string& plugin_folder) {
  const fs::path beside_song = fs::path(song.folder) / plugin.text;
  if (IsFile(beside_song)) return beside_song.lexically_normal().string();
  for (const char* suffix : kPluginSuffixes) {
    const fs::path named = fs::path(plugin_folder) / (plugin.text + suffix);
    if (IsFile(named)) return named.string();
  }
  throw SongError(song.file, plugin.place,
                  "expected a plug-in file beside the song or a plug-in name in " + plugin_folder +
                      ", got '" + plugin.text + "'");
}

}  // namespace varnok::host
