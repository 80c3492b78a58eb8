// What the .ttl files say of each port, worked out from the machine's
// description records, the meter window's resources and the port layout.
#pragma once

#include <string>
#include <vector>

#include "framework/description.h"
#include "lv2/port_layout.h"

namespace varnok::lv2 {

struct ScalePoint {
  std::string label;
  int value;
};

struct PortFacts {
  PortRole role = PortRole::kAudioIn;
  bool output = false;
  std::string symbol;
  std::string name;
  bool control = false;  // a control port, with the range below
  double minimum = 0.0;
  double maximum = 0.0;
  double default_value = 0.0;
  bool integer = false;
  std::string unit;                // an LV2 unit's local name ("db", "pc", "bpm"), or empty
  std::vector<ScalePoint> points;  // an enumeration's values
  std::string designation;         // a time: designation's local name, or empty
};

// An LV2 symbol for a name: lower case, runs of other characters as one '_'.
std::string SymbolOf(const std::string& name);

// The unit a name ends by: "(dB)" decibels, "(%)" percent; else empty.
std::string UnitOf(const std::string& name);

// Every port of a plug-in, in index order.
std::vector<PortFacts> PortsOf(const PortLayout& layout, const MachineDescription& description);

}  // namespace varnok::lv2
