// How a run() of any length becomes the host's calls: the block is cut at
// every tick's start and every event's frame, so an event at frame f is heard
// from frame f and the output does not depend on the host's block sizes.
#pragma once

#include <algorithm>
#include <cstdint>

#include <lv2/atom/util.h>

#include "framework/host_objects.h"
#include "lv2/atom_events.h"
#include "lv2/midi_stream.h"
#include "lv2/tick_clock.h"

namespace varnok::lv2 {

// What a plug-in does at each step of the walk; all [audio].
//   OnMidi(const MidiMessage&)  a channel message at the current frame
//   OnTick()                    a tick starts at the current frame: write the
//                               tick's values, ApplyTick
//   Play(offset, count)         render `count` frames from `offset`
//
// At a frame where both happen, the tick comes first and then the notes, as a
// song's keyboard notes reach a machine after its ApplyTick; a tempo at that
// frame is taken before the tick, whose length it sets. Events come in
// the sequence's order; one stamped before the previous event, or past the
// block, is taken at the nearest frame within it. With no frames, the events
// are taken and nothing else happens.
template <class Plugin>
void WalkFrames(Plugin& plugin, TickClock& clock, HostInfo& info, const LV2_Atom_Sequence* events,
                const EventUris& uris, MidiStream& midi, std::uint32_t frames) noexcept {
  const bool has_events = events != nullptr && events->atom.type == uris.sequence && uris.sequence != 0;
  const LV2_Atom_Event* event = has_events ? lv2_atom_sequence_begin(&events->body) : nullptr;
  const auto more = [&] { return event != nullptr && !lv2_atom_sequence_is_end(&events->body, events->atom.size, event); };
  const auto frame_of = [&](std::uint32_t at) {
    const std::int64_t last = frames > 0 ? frames - 1 : 0;
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(event->time.frames, at, std::max<std::int64_t>(at, last)));
  };
  std::uint32_t at = 0;
  for (;;) {
    const LV2_Atom_Event* first = event;
    for (; more() && frame_of(at) <= at; event = lv2_atom_sequence_next(event)) {
      if (event->body.type != uris.midi_event) clock.SetTempo(TempoOf(event->body, uris));
    }
    if (at < frames && clock.AtTickStart()) {
      clock.StartTick(info);
      plugin.OnTick();
    }
    for (const LV2_Atom_Event* note = first; note != event; note = lv2_atom_sequence_next(note)) {
      if (note->body.type == uris.midi_event) {
        midi.Feed(reinterpret_cast<const std::uint8_t*>(&note->body + 1), note->body.size,
                  [&](const MidiMessage& message) { plugin.OnMidi(message); });
      }
    }
    if (at >= frames) return;
    std::uint32_t until = at + std::min(frames - at, clock.FramesLeftInTick());
    if (more()) until = std::min(until, frame_of(at));
    plugin.Play(at, until - at);
    clock.Advance(until - at, info);
    at = until;
  }
}

}  // namespace varnok::lv2
