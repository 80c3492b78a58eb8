// The subcommands of machine-host, one file each.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

#include "host/core/plugin.h"

namespace varnok::host::cli {

void AddInfoCommand(CLI::App& app);
void AddRenderCommand(CLI::App& app);
void AddValidateCommand(CLI::App& app);
void AddAnalyzeCommand(CLI::App& app);
// play and live: where the host is built with JACK (VARNOK_LIVE).
void AddPlayCommands(CLI::App& app);

// A plug-in named on the command line as a song names one: a file, or a
// plug-in's name looked up in the plug-in folder.
struct PluginChoice {
  std::string word;
  std::string folder;  // empty: ../plugins beside machine-host
};
// The PLUGIN argument and --plugins, for commands that take one plug-in.
void AddPluginOptions(CLI::App& command, PluginChoice& choice);
// The plug-in folder to look names up in.
std::string PluginFolder(const std::string& given, const CLI::App& app);
// The chosen plug-in's file, and that plug-in loaded. Both throw HostError
// naming the word when it names no plug-in.
std::string LocateChosenPlugin(const PluginChoice& choice, const CLI::App& app);
Plugin LoadChosenPlugin(const PluginChoice& choice, const CLI::App& app);

}  // namespace varnok::host::cli
