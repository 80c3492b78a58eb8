#include "lv2/port_facts.h"

#include <cctype>

#include "analyzer/analyzer_face.h"
#include "analyzer/analyzer_window.h"
#include "analyzer/dialog_template.h"
#include "analyzer/meter_display.h"
#include "framework/render_signal.h"
#include "host/song/song.h"
#include "host/song/song_limits.h"

namespace varnok::lv2 {
namespace {

// A menu text without its keyboard mark: "&2 Ticks" is "2 Ticks".
std::string WithoutMark(const char* text) {
  std::string plain;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c != '&') plain += *c;
  }
  return plain;
}

PortFacts Plain(PortRole role, bool output, const std::string& symbol, const std::string& name) {
  PortFacts port;
  port.role = role;
  port.output = output;
  port.symbol = symbol;
  port.name = name;
  return port;
}

PortFacts Control(PortRole role, const std::string& name, double minimum, double maximum, double default_value) {
  PortFacts port = Plain(role, false, SymbolOf(name), name);
  port.control = true;
  port.minimum = minimum;
  port.maximum = maximum;
  port.default_value = default_value;
  return port;
}

PortFacts Byte(PortRole role, const ParamDescriptor& p) {
  PortFacts port = Control(role, p.description, p.min_value, p.max_value, p.default_value);
  port.symbol = SymbolOf(p.name);
  port.integer = true;
  return port;
}

PortFacts Attribute(const AttributeDescriptor& a) {
  PortFacts port = Control(PortRole::kAttribute, a.name, a.min_value, a.max_value, a.default_value);
  port.integer = true;
  port.unit = UnitOf(a.name);
  return port;
}

// One of the window's settings, its values the entries of its menu.
PortFacts Setting(PortRole role, const platform::MenuPopupResource& popup, int default_value) {
  PortFacts port = Control(role, WithoutMark(popup.text), 0, static_cast<double>(popup.item_count) - 1, default_value);
  port.integer = true;
  for (std::size_t i = 0; i < popup.item_count; ++i) {
    port.points.push_back({WithoutMark(popup.items[i].text), static_cast<int>(i)});
  }
  return port;
}

// The window's values; a signal within full level reads within these ranges.
std::vector<PortFacts> Readings() {
  using namespace analyzer;
  const double full_ratio = LevelRatio(static_cast<double>(kFullLevel) * kFullLevel);
  const struct {
    const char* label;
    double maximum;
    const char* unit;
  } kinds[] = {{kLevelLabel, LevelDecibels(full_ratio), "db"},
               {kAmplitudeLabel, 100.0, "pc"},
               {kOffsetLabel, kFullLevel, ""}};
  std::vector<PortFacts> ports;
  for (const char* column : {kCurrentColumnLabel, kAverageColumnLabel}) {
    for (const auto& kind : kinds) {
      const double minimum = kind.unit == std::string("db") ? kDecibelFloor : 0.0;
      PortFacts port = Control(PortRole::kReading, std::string(column) + " " + kind.label, minimum, kind.maximum, minimum);
      port.output = true;
      port.unit = kind.unit;
      ports.push_back(port);
    }
  }
  return ports;
}

}  // namespace

std::string SymbolOf(const std::string& name) {
  std::string symbol;
  bool gap = false;
  for (const char c : name) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      if (gap && !symbol.empty()) symbol += '_';
      symbol += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      gap = false;
    } else {
      gap = true;
    }
  }
  return symbol;
}

std::string UnitOf(const std::string& name) {
  const auto ends_with = [&](const std::string& end) {
    return name.size() >= end.size() && name.compare(name.size() - end.size(), end.size(), end) == 0;
  };
  if (ends_with("(dB)")) return "db";
  if (ends_with("(%)")) return "pc";
  return "";
}

std::vector<PortFacts> PortsOf(const PortLayout& layout, const MachineDescription& description) {
  std::vector<PortFacts> ports;
  for (std::uint32_t index = 0; index < layout.Count(); ++index) {
    const PortSlot slot = layout.SlotOf(index);
    switch (slot.role) {
      case PortRole::kAudioIn:
        ports.push_back(Plain(slot.role, false, "in", "In"));
        break;
      case PortRole::kEvents:
        ports.push_back(Plain(slot.role, false, "events", "MIDI and time in"));
        break;
      case PortRole::kAudioOut:
        ports.push_back(Plain(slot.role, true, "out", "Out"));
        break;
      case PortRole::kTrackControl:
        ports.push_back(Byte(slot.role, *description.params[description.global_param_count +
                                                           layout.first_track_control + slot.item]));
        break;
      case PortRole::kAttribute:
        ports.push_back(Attribute(*description.attributes[slot.item]));
        break;
      case PortRole::kRefreshRate:
        ports.push_back(Setting(slot.role, analyzer::kMeterMenu.popups[0], analyzer::kDefaultRefreshRate));
        break;
      case PortRole::kAveraging:
        ports.push_back(Setting(slot.role, analyzer::kMeterMenu.popups[1], analyzer::kDefaultAveraging));
        break;
      case PortRole::kTempo: {
        PortFacts port = Control(slot.role, "Tempo", 1, host::kMaxTempo, host::kDefaultBeatsPerMinute);
        port.unit = "bpm";
        port.designation = "beatsPerMinute";
        ports.push_back(port);
        break;
      }
      case PortRole::kReading:
        if (slot.item == 0) {
          for (PortFacts& port : Readings()) ports.push_back(port);
        }
        break;
    }
  }
  return ports;
}

}  // namespace varnok::lv2
