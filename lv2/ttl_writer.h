// Writes a bundle's manifest and its plug-in's description in Turtle.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "lv2/port_facts.h"

namespace varnok::lv2 {

struct PluginFacts {
  std::string uri;
  std::string binary;       // the library's file name within the bundle
  std::string description;  // the description file's name within the bundle
  std::string name;
  std::string maker;
  const char* plugin_class;  // "AnalyserPlugin", "InstrumentPlugin"
  bool needs_map;            // urid:map, to read events
  int minor_version;
  int micro_version;
  std::vector<PortFacts> ports;
};

void WriteManifest(const PluginFacts& plugin, std::ostream& out);
void WriteDescription(const PluginFacts& plugin, std::ostream& out);

}  // namespace varnok::lv2
