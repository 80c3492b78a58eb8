#include "host/core/description_check.h"

#include <sstream>

namespace varnok::host {
namespace {

constexpr int kMostTracks = 256;
constexpr int kMostParams = 256;
constexpr int kMostAttributes = 256;

std::string Field(const char* table, int index, const char* field) {
  std::ostringstream out;
  out << table << '[' << index << "]." << field;
  return out.str();
}

std::string CheckParam(const ParamDescriptor* param, int index) {
  std::ostringstream out;
  if (param == nullptr) {
    out << "params[" << index << "] is null";
    return out.str();
  }
  if (param->name == nullptr) return Field("params", index, "name") + " is null";
  if (param->description == nullptr) return Field("params", index, "description") + " is null";
  const std::string where = "params[" + std::to_string(index) + "] (\"" + param->name + "\")";
  switch (param->kind) {
    case kNoteParam:
      if (param->min_value < kLowestNote || param->max_value > kHighestNote ||
          param->min_value > param->max_value) {
        out << where << " note range " << param->min_value << ".." << param->max_value
            << " is outside " << kLowestNote << ".." << kHighestNote;
      }
      break;
    case kByteParam:
      if (param->min_value < 0 || param->max_value > 254 || param->min_value > param->max_value) {
        out << where << " byte range " << param->min_value << ".." << param->max_value
            << " is outside 0..254";
      } else if (param->default_value < param->min_value ||
                 param->default_value > param->max_value) {
        out << where << " default_value " << param->default_value << " is outside "
            << param->min_value << ".." << param->max_value;
      } else if (param->no_value >= param->min_value && param->no_value <= param->max_value) {
        out << where << " no_value " << param->no_value << " lies inside its own range";
      }
      break;
    default:
      out << where << " kind " << param->kind << " is neither 0 (note) nor 2 (byte)";
  }
  return out.str();
}

std::string CheckAttribute(const AttributeDescriptor* attribute, int index) {
  std::ostringstream out;
  if (attribute == nullptr) {
    out << "attributes[" << index << "] is null";
  } else if (attribute->name == nullptr) {
    out << Field("attributes", index, "name") << " is null";
  } else if (attribute->min_value > attribute->max_value ||
             attribute->default_value < attribute->min_value ||
             attribute->default_value > attribute->max_value) {
    out << "attributes[" << index << "] (\"" << attribute->name << "\") default_value "
        << attribute->default_value << " is outside " << attribute->min_value << ".."
        << attribute->max_value;
  }
  return out.str();
}

}  // namespace

std::string CheckDescription(const MachineDescription& d) {
  std::ostringstream out;
  if (d.full_name == nullptr) return "full_name is null";
  if (d.short_name == nullptr) return "short_name is null";
  if (d.author == nullptr) return "author is null";
  if (d.min_tracks < 0 || d.max_tracks < d.min_tracks || d.max_tracks > kMostTracks) {
    out << "track limits min_tracks " << d.min_tracks << ", max_tracks " << d.max_tracks
        << " are not 0 <= min <= max <= " << kMostTracks;
    return out.str();
  }
  if (d.global_param_count < 0 || d.track_param_count < 0 ||
      d.global_param_count + d.track_param_count > kMostParams) {
    out << "parameter counts " << d.global_param_count << " global, " << d.track_param_count
        << " per track are not 0.." << kMostParams;
    return out.str();
  }
  if (d.max_tracks == 0 && d.track_param_count > 0) {
    out << "track_param_count " << d.track_param_count << " with max_tracks 0";
    return out.str();
  }
  const int param_count = d.global_param_count + d.track_param_count;
  if (param_count > 0 && d.params == nullptr) {
    out << "params is null but the counts promise " << param_count << " entries";
    return out.str();
  }
  for (int i = 0; i < param_count; ++i) {
    std::string problem = CheckParam(d.params[i], i);
    if (!problem.empty()) return problem;
  }
  if (d.attribute_count < 0 || d.attribute_count > kMostAttributes) {
    out << "attribute_count " << d.attribute_count << " is not 0.." << kMostAttributes;
    return out.str();
  }
  if (d.attribute_count > 0 && d.attributes == nullptr) {
    out << "attributes is null but attribute_count is " << d.attribute_count;
    return out.str();
  }
  for (int i = 0; i < d.attribute_count; ++i) {
    std::string problem = CheckAttribute(d.attributes[i], i);
    if (!problem.empty()) return problem;
  }
  return {};
}

}  // namespace varnok::host
