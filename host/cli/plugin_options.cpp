// How commands take a plug-in: by file or by name, as songs do.
#include "host/cli/commands.h"
#include "host/cli/option_checks.h"
#include "host/render/plugin_locator.h"

namespace varnok::host::cli {

void AddPluginOptions(CLI::App& command, PluginChoice& choice) {
  command.add_option("plugin", choice.word, "Plug-in file, or a plug-in's name such as \"Varnok's Pulse\"")
      ->required()
      ->check(NotEmpty("a plug-in file or name"));
  command.add_option("--plugins", choice.folder,
                     "Folder where plug-in names are looked up (default: ../plugins beside machine-host)")
      ->check(NotEmpty("a folder"));
}

std::string PluginFolder(const std::string& given, const CLI::App& app) {
  return given.empty() ? PluginFolderBeside(app.get_name()) : given;
}

std::string LocateChosenPlugin(const PluginChoice& choice, const CLI::App& app) {
  return LocateNamedPlugin(choice.word, PluginFolder(choice.folder, app));
}

Plugin LoadChosenPlugin(const PluginChoice& choice, const CLI::App& app) {
  return Plugin::Load(LocateChosenPlugin(choice, app));
}

}  // namespace varnok::host::cli
