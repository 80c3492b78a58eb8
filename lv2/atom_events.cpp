#include "lv2/atom_events.h"

#include <cstdint>
#include <string_view>

#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/time/time.h>

namespace varnok::lv2 {
namespace {

const LV2_URID_Map* FindMap(const LV2_Feature* const* features) noexcept {
  for (; features != nullptr && *features != nullptr; ++features) {
    if (std::string_view((*features)->URI) == LV2_URID__map) {
      return static_cast<const LV2_URID_Map*>((*features)->data);
    }
  }
  return nullptr;
}

// A number atom of any of LV2's four kinds.
double NumberOf(const LV2_Atom& atom, const EventUris& uris) noexcept {
  const void* body = &atom + 1;
  if (atom.type == uris.float_number && atom.size >= sizeof(float)) return *static_cast<const float*>(body);
  if (atom.type == uris.double_number && atom.size >= sizeof(double)) return *static_cast<const double*>(body);
  if (atom.type == uris.int_number && atom.size >= sizeof(std::int32_t)) return *static_cast<const std::int32_t*>(body);
  if (atom.type == uris.long_number && atom.size >= sizeof(std::int64_t)) {
    return static_cast<double>(*static_cast<const std::int64_t*>(body));
  }
  return 0.0;
}

}  // namespace

bool EventUris::Map(const LV2_Feature* const* features) noexcept {
  const LV2_URID_Map* map = FindMap(features);
  if (map == nullptr || map->map == nullptr) return false;
  const auto id = [map](const char* uri) { return map->map(map->handle, uri); };
  sequence = id(LV2_ATOM__Sequence);
  midi_event = id(LV2_MIDI__MidiEvent);
  object = id(LV2_ATOM__Object);
  blank = id(LV2_ATOM__Blank);
  position = id(LV2_TIME__Position);
  beats_per_minute = id(LV2_TIME__beatsPerMinute);
  float_number = id(LV2_ATOM__Float);
  double_number = id(LV2_ATOM__Double);
  int_number = id(LV2_ATOM__Int);
  long_number = id(LV2_ATOM__Long);
  return true;
}

double TempoOf(const LV2_Atom& atom, const EventUris& uris) noexcept {
  if ((atom.type != uris.object && atom.type != uris.blank) || atom.size < sizeof(LV2_Atom_Object_Body)) {
    return 0.0;
  }
  const auto* object = reinterpret_cast<const LV2_Atom_Object*>(&atom);
  if (object->body.otype != uris.position) return 0.0;
  LV2_ATOM_OBJECT_FOREACH(object, property) {
    if (property->key == uris.beats_per_minute) return NumberOf(property->value, uris);
  }
  return 0.0;
}

}  // namespace varnok::lv2
