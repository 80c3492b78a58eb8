#include "lv2/ttl_writer.h"

#include <cstdio>

namespace varnok::lv2 {
namespace {

// A Turtle string: quotes and backslashes escaped.
std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

// Whole numbers as integers; others with as many digits as it takes.
std::string Number(double value) {
  char text[32];
  if (value == static_cast<long long>(value)) {
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
  } else {
    std::snprintf(text, sizeof text, "%.9g", value);
  }
  return text;
}

const char* TypesOf(const PortFacts& port) {
  switch (port.role) {
    case PortRole::kAudioIn:
      return "lv2:InputPort , lv2:AudioPort";
    case PortRole::kAudioOut:
      return "lv2:OutputPort , lv2:AudioPort";
    case PortRole::kEvents:
      return "lv2:InputPort , atom:AtomPort";
    default:
      return port.output ? "lv2:OutputPort , lv2:ControlPort" : "lv2:InputPort , lv2:ControlPort";
  }
}

void WritePort(const PortFacts& port, int index, std::ostream& out) {
  out << "[\n        a " << TypesOf(port) << " ;\n";
  out << "        lv2:index " << index << " ;\n";
  out << "        lv2:symbol " << Quoted(port.symbol) << " ;\n";
  out << "        lv2:name " << Quoted(port.name);
  if (port.role == PortRole::kEvents) {
    out << " ;\n        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports midi:MidiEvent , time:Position ;\n"
        << "        lv2:designation lv2:control";
  }
  if (port.control) {
    out << " ;\n        lv2:default " << Number(port.default_value) << " ;\n"
        << "        lv2:minimum " << Number(port.minimum) << " ;\n"
        << "        lv2:maximum " << Number(port.maximum);
  }
  if (port.integer) {
    out << " ;\n        lv2:portProperty lv2:integer" << (port.points.empty() ? "" : " , lv2:enumeration");
  }
  for (std::size_t i = 0; i < port.points.size(); ++i) {
    out << (i == 0 ? " ;\n        lv2:scalePoint " : " , ") << "[\n            rdfs:label "
        << Quoted(port.points[i].label) << " ;\n            rdf:value " << port.points[i].value
        << "\n        ]";
  }
  if (!port.unit.empty()) out << " ;\n        units:unit units:" << port.unit;
  if (!port.designation.empty()) out << " ;\n        lv2:designation time:" << port.designation;
  out << "\n    ]";
}

}  // namespace

void WriteManifest(const PluginFacts& plugin, std::ostream& out) {
  out << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
      << "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n\n"
      << "<" << plugin.uri << ">\n"
      << "    a lv2:Plugin ;\n"
      << "    lv2:binary <" << plugin.binary << "> ;\n"
      << "    rdfs:seeAlso <" << plugin.description << "> .\n";
}

void WriteDescription(const PluginFacts& plugin, std::ostream& out) {
  out << "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
      << "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
      << "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
      << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
      << "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
      << "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
      << "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
      << "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
      << "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
      << "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n"
      << "# Written at build time from the machine's description; edit the generator.\n"
      << "<" << plugin.uri << ">\n"
      << "    a lv2:Plugin , lv2:" << plugin.plugin_class << " , doap:Project ;\n"
      << "    doap:name " << Quoted(plugin.name) << " ;\n"
      << "    doap:maintainer [\n        a foaf:Person ;\n        foaf:name " << Quoted(plugin.maker)
      << "\n    ] ;\n"
      << "    lv2:minorVersion " << plugin.minor_version << " ;\n"
      << "    lv2:microVersion " << plugin.micro_version << " ;\n";
  if (plugin.needs_map) out << "    lv2:requiredFeature urid:map ;\n";
  out << "    lv2:optionalFeature lv2:hardRTCapable ;\n";
  for (std::size_t i = 0; i < plugin.ports.size(); ++i) {
    out << (i == 0 ? "    lv2:port " : " , ");
    WritePort(plugin.ports[i], static_cast<int>(i), out);
  }
  out << " .\n";
}

}  // namespace varnok::lv2
