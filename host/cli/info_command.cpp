// machine-host info PLUGIN: the description as a readable table.
#include <cstdio>
#include <string>

#include "host/cli/commands.h"
#include "host/core/host_error.h"
#include "host/core/plugin.h"

namespace varnok::host::cli {
namespace {

const char* KindName(std::int32_t kind) { return kind == kNoteParam ? "note" : "byte"; }

// A text of the plug-in's, its control characters shown rather than obeyed.
std::string Shown(const char* text) { return Escaped(text); }

void PrintDescription(const MachineDescription& d) {
  std::printf("%s (%s) by %s\n", Shown(d.full_name).c_str(), Shown(d.short_name).c_str(),
              Shown(d.author).c_str());
  std::printf("kind %d, interface %d, flags %d, tracks %d..%d\n", d.kind, d.interface_version,
              d.flags, d.min_tracks, d.max_tracks);

  const int count = d.global_param_count + d.track_param_count;
  std::printf("\nParameters (%d global, %d per track)\n", d.global_param_count,
              d.track_param_count);
  if (count > 0) {
    std::printf("  %-3s %-6s %-4s %-10s %-24s %9s %8s %10s %7s\n", "#", "scope", "kind", "name",
                "description", "range", "no-value", "flags", "default");
  }
  for (int i = 0; i < count; ++i) {
    const ParamDescriptor& p = *d.params[i];
    const std::string range = std::to_string(p.min_value) + ".." + std::to_string(p.max_value);
    std::printf("  %-3d %-6s %-4s %-10s %-24s %9s %8d 0x%08X %7d\n", i + 1,
                i < d.global_param_count ? "global" : "track", KindName(p.kind), Shown(p.name).c_str(),
                Shown(p.description).c_str(), range.c_str(), p.no_value, static_cast<unsigned>(p.flags),
                p.default_value);
  }

  std::printf("\nAttributes (%d)\n", d.attribute_count);
  if (d.attribute_count > 0) std::printf("  %-3s %-28s %11s %7s\n", "#", "name", "range", "default");
  for (int i = 0; i < d.attribute_count; ++i) {
    const AttributeDescriptor& a = *d.attributes[i];
    const std::string range = std::to_string(a.min_value) + ".." + std::to_string(a.max_value);
    std::printf("  %-3d %-28s %11s %7d\n", i + 1, Shown(a.name).c_str(), range.c_str(), a.default_value);
  }

  std::printf("\nCommands\n");
  if (d.commands == nullptr) {
    std::printf("  (none)\n");
    return;
  }
  int index = 0;
  const std::string commands = d.commands;
  std::size_t start = 0;
  while (start <= commands.size()) {
    const std::size_t end = commands.find('\n', start);
    const std::string entry = commands.substr(start, end - start);
    std::printf("  %d  %s\n", index++, Shown(entry.c_str()).c_str());
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

}  // namespace

void AddInfoCommand(CLI::App& app) {
  auto* command = app.add_subcommand("info", "Print a plug-in's description");
  auto options = std::make_shared<PluginChoice>();
  AddPluginOptions(*command, *options);
  command->callback([options, &app] { PrintDescription(LoadChosenPlugin(*options, app).Description()); });
}

}  // namespace varnok::host::cli
