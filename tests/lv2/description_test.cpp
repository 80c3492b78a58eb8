// What lilv reads from each bundle's .ttl files against the description records
// that machine-host info prints (read from the machine's plug-in file) and the
// window's menu: a port that disagrees with them fails here.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>
#include <lv2/units/units.h>
#include <lv2/urid/urid.h>

#include "analyzer/analyzer_window.h"
#include "analyzer/dialog_template.h"
#include "host/core/plugin.h"
#include "host/song/song.h"
#include "lv2/lilv_renderer.h"
#include "lv2/plugin_uris.h"

namespace varnok::lv2::testing {
namespace {

enum class Source { kFixed, kParam, kAttribute, kMenu };

struct PortRow {
  const char* symbol;  // stable: hosts save sessions by it
  Source source;
  int index;  // of the track parameter, attribute or menu pop-up
};

struct BundleRow {
  const char* uri;
  const char* plugin_file;
  const char* plugin_class;
  std::vector<PortRow> ports;
};

const BundleRow kBundles[] = {
    {kAnalyzerUri,
     "Varnok's Analyzer",
     LV2_CORE__AnalyserPlugin,
     {{"in", Source::kFixed, 0},
      {"out", Source::kFixed, 0},
      {"refresh_rate", Source::kMenu, 0},
      {"averaging", Source::kMenu, 1},
      {"tempo", Source::kFixed, 0},
      {"current_rms_power", Source::kFixed, 0},
      {"current_amplitude", Source::kFixed, 0},
      {"current_dc_offset", Source::kFixed, 0},
      {"average_rms_power", Source::kFixed, 0},
      {"average_amplitude", Source::kFixed, 0},
      {"average_dc_offset", Source::kFixed, 0}}},
    {kChipUri,
     "Varnok's Chip",
     LV2_CORE__InstrumentPlugin,
     {{"events", Source::kFixed, 0},
      {"out", Source::kFixed, 0},
      {"control1", Source::kParam, 1},
      {"control2", Source::kParam, 2},
      {"control3", Source::kParam, 3},
      {"dynamic_channels", Source::kAttribute, 0},
      {"default_volume", Source::kAttribute, 1},
      {"track_available_at_db", Source::kAttribute, 2}}},
    {kPulseUri,
     "Varnok's Pulse",
     LV2_CORE__InstrumentPlugin,
     {{"events", Source::kFixed, 0},
      {"out", Source::kFixed, 0},
      {"dynamic_channels", Source::kAttribute, 0},
      {"default_velocity", Source::kAttribute, 1},
      {"track_available_at_db", Source::kAttribute, 2},
      {"note_off_amplitude", Source::kAttribute, 3}}},
};

LilvNode* Uri(const char* uri) { return lilv_new_uri(World(), uri); }

std::string WithoutMark(const char* text) {
  std::string plain;
  for (; *text != '\0'; ++text) {
    if (*text != '&') plain += *text;
  }
  return plain;
}

struct Range {
  float minimum, maximum, default_value;
};

Range RangeOf(const LilvPlugin* plugin, const LilvPort* port) {
  LilvNode *def = nullptr, *min = nullptr, *max = nullptr;
  lilv_port_get_range(plugin, port, &def, &min, &max);
  const Range range{min ? lilv_node_as_float(min) : NAN, max ? lilv_node_as_float(max) : NAN,
                    def ? lilv_node_as_float(def) : NAN};
  lilv_node_free(def);
  lilv_node_free(min);
  lilv_node_free(max);
  return range;
}

bool Has(const LilvPlugin* plugin, const LilvPort* port, const char* property) {
  LilvNode* node = Uri(property);
  const bool has = lilv_port_has_property(plugin, port, node);
  lilv_node_free(node);
  return has;
}

std::string UnitOf(const LilvPlugin* plugin, const LilvPort* port) {
  LilvNode* unit = Uri(LV2_UNITS__unit);
  LilvNodes* values = lilv_port_get_value(plugin, port, unit);
  std::string found = values != nullptr && lilv_nodes_size(values) > 0
                          ? lilv_node_as_uri(lilv_nodes_get_first(values))
                          : "";
  lilv_nodes_free(values);
  lilv_node_free(unit);
  return found;
}

std::vector<std::string> ScaleLabels(const LilvPlugin* plugin, const LilvPort* port) {
  std::vector<std::string> labels(8);
  std::size_t count = 0;
  LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
  LILV_FOREACH(scale_points, i, points) {
    const LilvScalePoint* point = lilv_scale_points_get(points, i);
    const int value = lilv_node_as_int(lilv_scale_point_get_value(point));
    if (value >= 0 && value < 8) labels[value] = lilv_node_as_string(lilv_scale_point_get_label(point));
    ++count;
  }
  lilv_scale_points_free(points);
  labels.resize(count);
  return labels;
}

void ExpectControl(const LilvPlugin* plugin, const LilvPort* port, const std::string& name, Range range) {
  LilvNode* read_name = lilv_port_get_name(plugin, port);
  EXPECT_EQ(lilv_node_as_string(read_name), name);
  lilv_node_free(read_name);
  const Range read = RangeOf(plugin, port);
  EXPECT_EQ(read.minimum, range.minimum);
  EXPECT_EQ(read.maximum, range.maximum);
  EXPECT_EQ(read.default_value, range.default_value);
  EXPECT_TRUE(Has(plugin, port, LV2_CORE__integer));
}

class Description : public ::testing::TestWithParam<BundleRow> {};

TEST_P(Description, PortsAreTheMachinesRecords) {
  const BundleRow& row = GetParam();
  const LilvPlugin* plugin = FindPlugin(row.uri);
  ASSERT_NE(plugin, nullptr);
  const host::Plugin machine =
      host::Plugin::Load(std::string(VARNOK_PLUGIN_DIR) + "/" + row.plugin_file + VARNOK_PLUGIN_SUFFIX);
  const MachineDescription& d = machine.Description();

  LilvNode* name = lilv_plugin_get_name(plugin);
  EXPECT_STREQ(lilv_node_as_string(name), d.full_name);
  lilv_node_free(name);
  EXPECT_STREQ(lilv_node_as_uri(lilv_plugin_class_get_uri(lilv_plugin_get_class(plugin))), row.plugin_class);
  ASSERT_EQ(lilv_plugin_get_num_ports(plugin), row.ports.size());

  for (std::uint32_t i = 0; i < row.ports.size(); ++i) {
    const PortRow& expected = row.ports[i];
    SCOPED_TRACE(expected.symbol);
    const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
    EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)), expected.symbol);
    switch (expected.source) {
      case Source::kParam: {
        const ParamDescriptor& p = *d.params[d.global_param_count + expected.index];
        ExpectControl(plugin, port, p.description,
                      {static_cast<float>(p.min_value), static_cast<float>(p.max_value),
                       static_cast<float>(p.default_value)});
        break;
      }
      case Source::kAttribute: {
        const AttributeDescriptor& a = *d.attributes[expected.index];
        ExpectControl(plugin, port, a.name,
                      {static_cast<float>(a.min_value), static_cast<float>(a.max_value),
                       static_cast<float>(a.default_value)});
        const std::string name_text = a.name;
        EXPECT_EQ(UnitOf(plugin, port), name_text.find("(dB)") != std::string::npos ? LV2_UNITS__db
                                        : name_text.find("(%)") != std::string::npos ? LV2_UNITS__pc
                                                                                     : "");
        break;
      }
      case Source::kMenu: {
        const platform::MenuPopupResource& popup = analyzer::kMeterMenu.popups[expected.index];
        const int window_default = expected.index == 0 ? analyzer::kDefaultRefreshRate : analyzer::kDefaultAveraging;
        ExpectControl(plugin, port, WithoutMark(popup.text),
                      {0.0f, static_cast<float>(popup.item_count - 1), static_cast<float>(window_default)});
        EXPECT_TRUE(Has(plugin, port, LV2_CORE__enumeration));
        std::vector<std::string> items;
        for (std::size_t item = 0; item < popup.item_count; ++item) items.push_back(WithoutMark(popup.items[item].text));
        EXPECT_EQ(ScaleLabels(plugin, port), items);
        break;
      }
      case Source::kFixed:
        break;
    }
  }
}

// The Analyzer asks nothing of its host, so the simplest hosts load it; the
// instruments ask for urid:map alone, and take MIDI and the time position.
TEST_P(Description, NeedsNoFeatureButTheMapAndTakesEventsOnlyWhereItPlays) {
  const BundleRow& row = GetParam();
  const LilvPlugin* plugin = FindPlugin(row.uri);
  ASSERT_NE(plugin, nullptr);
  const bool instrument = std::string(row.plugin_class) == LV2_CORE__InstrumentPlugin;
  LilvNodes* features = lilv_plugin_get_required_features(plugin);
  std::vector<std::string> required;
  LILV_FOREACH(nodes, i, features) required.push_back(lilv_node_as_uri(lilv_nodes_get(features, i)));
  lilv_nodes_free(features);
  EXPECT_EQ(required, instrument ? std::vector<std::string>{LV2_URID__map} : std::vector<std::string>{});

  LilvNode* atom_port = Uri(LV2_ATOM__AtomPort);
  EXPECT_EQ(lilv_plugin_get_num_ports_of_class(plugin, atom_port, nullptr), instrument ? 1u : 0u);
  lilv_node_free(atom_port);
  if (instrument) {
    const LilvPort* events = lilv_plugin_get_port_by_index(plugin, 0);
    for (const char* kind : {LV2_MIDI__MidiEvent, LV2_TIME__Position}) {
      LilvNode* node = Uri(kind);
      EXPECT_TRUE(lilv_port_supports_event(plugin, events, node)) << kind;
      lilv_node_free(node);
    }
  } else {
    LilvNode* designation = Uri(LV2_TIME__beatsPerMinute);
    const LilvPort* tempo = lilv_plugin_get_port_by_designation(plugin, nullptr, designation);
    lilv_node_free(designation);
    ASSERT_NE(tempo, nullptr);
    EXPECT_EQ(RangeOf(plugin, tempo).default_value, host::kDefaultBeatsPerMinute);
  }
}

INSTANTIATE_TEST_SUITE_P(Bundles, Description, ::testing::ValuesIn(kBundles),
                         [](const auto& info) { return std::string(info.param.plugin_file).substr(9); });

}  // namespace
}  // namespace varnok::lv2::testing
