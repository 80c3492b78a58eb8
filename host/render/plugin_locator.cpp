#include "host/render/plugin_locator.h"

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <system_error>

#include "host/core/host_error.h"

namespace varnok::host {
namespace {

namespace fs = std::filesystem;

// Plug-in file endings on the systems the host runs on.
constexpr const char* kPluginSuffixes[] = {"", ".so", ".dll"};
constexpr const char* kPluginFolder = "../plugins";
constexpr const char* kInstalledPluginFolder = VARNOK_INSTALLED_PLUGIN_FOLDER;
// PATH lists folders with ';' where '\\' separates names, else with ':'.
constexpr char kPathListSeparator = fs::path::preferred_separator == '\\' ? ';' : ':';

bool IsFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

bool IsFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
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

// Why nothing was found, for a word that names neither a file nor a plug-in.
// `file` says where a file was looked for.
std::string NotFound(const std::string& word, const std::string& folder, const std::string& plugin_folder,
                     const std::string& file) {
  if (IsFolder(fs::path(folder) / word)) return "'" + word + "' is a folder, not a plug-in file";
  return "expected " + file + " or a plug-in name in " + plugin_folder + ", got '" + word + "'";
}

// The plug-in in `plugin_folder` whose description gives `full_name`, as
// `info` prints it ("Varnok's Test Generator"), or empty. Files that are no
// plug-in (the folder's libraries) are passed over.
std::string FindByFullName(const std::string& full_name, const std::string& plugin_folder) {
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(plugin_folder, error)) {
    const fs::path& path = entry.path();
    if (!IsFile(path) || (path.extension() != ".so" && path.extension() != ".dll")) continue;
    try {
      if (Plugin::Load(path.string()).Description().full_name == full_name) return path.string();
    } catch (const std::exception&) {
    }
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
  const fs::path programs = fs::absolute(located, error).parent_path();
  const fs::path built = (programs / kPluginFolder).lexically_normal();
  const fs::path installed = (programs / kInstalledPluginFolder).lexically_normal();
  return (!IsFolder(built) && IsFolder(installed) ? installed : built).string();
}

std::string FindPlugin(const std::string& word, const std::string& folder, const std::string& plugin_folder) {
  if (word.empty()) return {};
  const fs::path beside = fs::path(folder) / word;
  if (IsFile(beside)) return beside.lexically_normal().string();
  for (const char* suffix : kPluginSuffixes) {
    const fs::path named = fs::path(plugin_folder) / (word + suffix);
    if (IsFile(named)) return named.string();
  }
  return FindByFullName(word, plugin_folder);
}

std::string LocateNamedPlugin(const std::string& word, const std::string& plugin_folder) {
  const std::string path = FindPlugin(word, "", plugin_folder);
  if (path.empty()) throw HostError(NotFound(word, "", plugin_folder, "a plug-in file"));
  return path;
}

Plugin LoadSongPlugin(const Song& song, const Word& plugin, const std::string& plugin_folder) {
  const std::string path = FindPlugin(plugin.text, song.folder, plugin_folder);
  if (path.empty()) throw SongError(song.file, plugin.place, NotFound(plugin.text, song.folder, plugin_folder, "a plug-in file beside the song"));
  try {
    return Plugin::Load(path);
  } catch (const HostError& error) {
    throw SongError(song.file, plugin.place, error.what());
  }
}

}  // namespace varnok::host
