// The subcommands of machine-host, one file each.
#pragma once

#include <CLI/CLI.hpp>

namespace varnok::host::cli {

void AddInfoCommand(CLI::App& app);
void AddRenderCommand(CLI::App& app);
void AddValidateCommand(CLI::App& app);
void AddAnalyzeCommand(CLI::App& app);

}  // namespace varnok::host::cli
