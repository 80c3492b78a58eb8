// What arrives on an event port: MIDI, and the host's time position, whose
// tempo the ticks follow.
#pragma once

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/urid/urid.h>

namespace varnok::lv2 {

struct EventUris {
  // [ui] Maps the URIs through the host's urid:map; false when it gave none.
  bool Map(const LV2_Feature* const* features) noexcept;

  LV2_URID sequence = 0;
  LV2_URID midi_event = 0;
  LV2_URID object = 0;
  LV2_URID blank = 0;
  LV2_URID position = 0;
  LV2_URID beats_per_minute = 0;
  LV2_URID float_number = 0;
  LV2_URID double_number = 0;
  LV2_URID int_number = 0;
  LV2_URID long_number = 0;
};

// [audio] The beats per minute of a time:Position object; 0 when `atom` is no
// position or tells no tempo.
double TempoOf(const LV2_Atom& atom, const EventUris& uris) noexcept;

}  // namespace varnok::lv2
