// lv2-ttl MACHINE PLUGIN BINARY FOLDER: writes FOLDER/manifest.ttl and the
// plug-in's description for the LV2 bundle of MACHINE (analyzer, chip or
// pulse). Names, ranges, defaults and units come from the description records
// of the machine's plug-in file PLUGIN, read as machine-host info reads them.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "host/core/plugin.h"
#include "lv2/plugin_layouts.h"
#include "lv2/plugin_uris.h"
#include "lv2/ttl_writer.h"

namespace {

using namespace varnok;

struct Bundle {
  const char* key;
  const char* uri;
  lv2::PortLayout layout;
  const char* plugin_class;
};

const Bundle kBundles[] = {
    {"analyzer", lv2::kAnalyzerUri, lv2::kAnalyzerLayout, "AnalyserPlugin"},
    {"chip", lv2::kChipUri, lv2::kChipLayout, "InstrumentPlugin"},
    {"pulse", lv2::kPulseUri, lv2::kPulseLayout, "InstrumentPlugin"},
};

void Write(const std::filesystem::path& path, void (*write)(const lv2::PluginFacts&, std::ostream&),
           const lv2::PluginFacts& facts) {
  std::ofstream out(path);
  write(facts, out);
  out.close();
  if (!out) throw std::runtime_error(path.string() + ": cannot write");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: lv2-ttl analyzer|chip|pulse PLUGIN BINARY FOLDER\n");
    return 2;
  }
  const std::string key = argv[1];
  for (const Bundle& machine : kBundles) {
    if (key != machine.key) continue;
    try {
      const host::Plugin plugin = host::Plugin::Load(argv[2]);
      const MachineDescription& d = plugin.Description();
      const std::string binary = argv[3];
      lv2::PluginFacts facts;
      facts.uri = machine.uri;
      facts.binary = binary;
      facts.description = std::filesystem::path(binary).stem().string() + ".ttl";
      facts.name = d.full_name;
      facts.maker = d.author;
      facts.plugin_class = machine.plugin_class;
      facts.needs_map = machine.layout.events;
      facts.minor_version = VARNOK_LV2_MINOR_VERSION;
      facts.micro_version = VARNOK_LV2_MICRO_VERSION;
      facts.ports = lv2::PortsOf(machine.layout, d);
      const std::filesystem::path folder = argv[4];
      std::filesystem::create_directories(folder);
      Write(folder / "manifest.ttl", lv2::WriteManifest, facts);
      Write(folder / facts.description, lv2::WriteDescription, facts);
      return 0;
    } catch (const std::exception& error) {
      std::fprintf(stderr, "lv2-ttl: %s\n", error.what());
      return 1;
    }
  }
  std::fprintf(stderr, "lv2-ttl: no machine '%s'; expected analyzer, chip or pulse\n", key.c_str());
  return 2;
}
