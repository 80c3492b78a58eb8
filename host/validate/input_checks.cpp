// What the host writes and sends: track counts, attributes, parameter bytes,
// keyboard notes and Halt.
#include <climits>
#include <cstdint>
#include <vector>

#include "framework/render_signal.h"
#include "host/validate/check_bodies.h"

namespace varnok::host::validate {
namespace {

constexpr int kSampleRate = 44100;
constexpr int kMidiNotes = 128;
constexpr int kMidiVelocities = 128;
constexpr int kMidiChannels = 16;

std::string AttributeCase(const AttributeDescriptor& attribute, std::int64_t value) {
  return "attribute \"" + std::string(attribute.name) + "\" = " + std::to_string(value);
}

// Applies one attribute value to a sounding machine and plays on.
void PlayWithAttribute(CheckContext& context, MachineDriver& driver, int index, std::int32_t value) {
  PlayTick(driver, context.random);
  driver.SetAttribute(index, value);
  driver.ApplyAttributes();
  for (int tick = 0; tick < 4; ++tick) PlayTick(driver, context.random);
}

// Values a host could send past the edges: a neighbour, or a wild int32 from a
// damaged song. Mildest first, so that a crash names the mildest value that fails.
std::vector<std::int64_t> OutOfRangeValues(std::int32_t lowest, std::int32_t highest) {
  return {static_cast<std::int64_t>(lowest) - 1, static_cast<std::int64_t>(highest) + 1,
          INT32_MIN, INT32_MAX};
}

// Plays `change` on a sounding machine. Odd but usable output for a value the
// host should not send is only kept as the first warning; broken output fails.
template <class Change>
void TolerateOddOutput(CheckContext& context, std::string& first_warning, Change change) {
  try {
    change();
  } catch (const BrokenOutput&) {
    throw;
  } catch (const CheckFailure& failure) {
    if (first_warning.empty()) first_warning = context.Where() + ": " + failure.what();
  }
  ++context.cases;
}

CheckResult PassedOrWarned(const CheckContext& context, const std::string& first_warning) {
  if (!first_warning.empty()) return {Outcome::kWarning, context.cases, first_warning};
  return Passed(context);
}

}  // namespace

CheckResult TrackCounts(CheckContext& context) {
  const MachineDescription& d = context.plugin.Description();
  auto driver = StartedMachine(context, kSampleRate, d.min_tracks);
  for (int count = d.min_tracks; count <= d.max_tracks; ++count) {
    context.At("track count " + std::to_string(count) + " after ApplyAttributes");
    PlayTick(*driver, context.random);
    driver->SetTrackCount(count);
    driver->ApplyAttributes();
    for (int tick = 0; tick < 3; ++tick) PlayTick(*driver, context.random);
    ++context.cases;
  }
  // Then without ApplyAttributes in between, as a host does when only tracks change.
  for (int change = context.Scaled(20); change > 0; --change) {
    const int count = RandomTrackCount(d, context.random);
    context.At("track count changed to " + std::to_string(count) + " while notes sound");
    PlayTick(*driver, context.random);
    driver->SetTrackCount(count);
    for (int tick = 0; tick < 3; ++tick) PlayTick(*driver, context.random);
    ++context.cases;
  }
  return Passed(context);
}

CheckResult TrackCountsOutOfRange(CheckContext& context) {
  const MachineDescription& d = context.plugin.Description();
  std::string first_warning;
  for (std::int64_t count : OutOfRangeValues(d.min_tracks, d.max_tracks)) {
    if (count < INT32_MIN || count > INT32_MAX) continue;
    context.At("track count " + std::to_string(count) + " while notes sound");
    auto driver = StartedMachine(context, kSampleRate, d.max_tracks);
    TolerateOddOutput(context, first_warning, [&] {
      PlayTick(*driver, context.random);
      driver->SetTrackCount(static_cast<std::int32_t>(count));
      for (int tick = 0; tick < 4; ++tick) PlayTick(*driver, context.random);
    });
  }
  return PassedOrWarned(context, first_warning);
}

CheckResult Attributes(CheckContext& context) {
  const MachineDescription& d = context.plugin.Description();
  for (int i = 0; i < d.attribute_count; ++i) {
    const AttributeDescriptor& attribute = *d.attributes[i];
    const std::int32_t values[] = {attribute.min_value, attribute.max_value,
                                   std::min(attribute.min_value + 1, attribute.max_value),
                                   std::max(attribute.max_value - 1, attribute.min_value),
                                   attribute.default_value};
    for (std::int32_t value : values) {
      context.At(AttributeCase(attribute, value));
      auto driver = StartedMachine(context, kSampleRate, RandomTrackCount(d, context.random));
      PlayWithAttribute(context, *driver, i, value);
      ++context.cases;
    }
  }
  // All at once at either end, with the most tracks and the fewest.
  for (bool highest : {false, true}) {
    for (int tracks : {d.min_tracks, d.max_tracks}) {
      context.At(std::string("every attribute at its ") + (highest ? "maximum" : "minimum") +
                 ", " + std::to_string(tracks) + " tracks");
      auto driver = StartedMachine(context, kSampleRate, tracks);
      for (int i = 0; i < d.attribute_count; ++i) {
        driver->SetAttribute(i, highest ? d.attributes[i]->max_value : d.attributes[i]->min_value);
      }
      driver->ApplyAttributes();
      for (int tick = 0; tick < 8; ++tick) PlayTick(*driver, context.random);
      ++context.cases;
    }
  }
  return Passed(context);
}

CheckResult AttributesOutOfRange(CheckContext& context) {
  const MachineDescription& d = context.plugin.Description();
  std::string first_warning;
  for (int i = 0; i < d.attribute_count; ++i) {
    const AttributeDescriptor& attribute = *d.attributes[i];
    for (std::int64_t value : OutOfRangeValues(attribute.min_value, attribute.max_value)) {
      if (value < INT32_MIN || value > INT32_MAX) continue;
      context.At(AttributeCase(attribute, value));
      auto driver = StartedMachine(context, kSampleRate, d.max_tracks);
      TolerateOddOutput(context, first_warning, [&] {
        PlayWithAttribute(context, *driver, i, static_cast<std::int32_t>(value));
      });
    }
  }
  return PassedOrWarned(context, first_warning);
}

CheckResult ParameterBytes(CheckContext& context) {
  const MachineDescription& d = context.plugin.Description();
  auto driver = StartedMachine(context, kSampleRate, d.max_tracks);
  const int ticks = context.Scaled(500);
  context.At("random parameter bytes, " + std::to_string(ticks) + " ticks");
  for (int tick = 0; tick < ticks; ++tick) {
    const int kind = context.random.Below(20);
    if (kind == 0 || kind == 1) {
      driver->WriteEverywhere(kind == 0 ? 255 : 0);
    } else {
      WriteRandomTick(*driver, context.random, context.random.Between(1, 100));
    }
    driver->Tick();
    RenderTick(*driver, context.random, 512);
    ++context.cases;
  }
  return Passed(context);
}

CheckResult KeyboardNotes(CheckContext& context) {
  const MachineDescription& d = context.plugin.Description();
  auto driver = StartedMachine(context, kSampleRate, d.min_tracks);
  const auto send = [&](int note, int velocity) {
    driver->MidiNote(context.random.Below(kMidiChannels), note, velocity);
    ++context.cases;
  };
  context.At("every note at full velocity, then every note off");
  for (int note = 0; note < kMidiNotes; ++note) send(note, kMidiVelocities - 1);
  RenderTick(*driver, context.random, 512);
  for (int note = 0; note < kMidiNotes; ++note) send(note, 0);
  PlayTick(*driver, context.random);
  context.At("every velocity on one note");
  for (int velocity = 0; velocity < kMidiVelocities; ++velocity) send(60, velocity);
  RenderTick(*driver, context.random, 512);
  for (int round = context.Scaled(40); round > 0; --round) {
    context.At("random storm, " + std::to_string(round) + " rounds left");
    for (int n = context.random.Between(1, 32); n > 0; --n) {
      send(context.random.Below(kMidiNotes), context.random.Below(kMidiVelocities));
      if (context.random.Percent(20)) driver->Render(context.random.Between(1, 256), kRenderHasInput);
    }
    if (context.random.Percent(50)) {
      PlayTick(*driver, context.random);
    } else {
      RenderTick(*driver, context.random, 512);
    }
  }
  return Passed(context);
}

CheckResult HaltAnywhere(CheckContext& context) {
  const MachineDescription& d = context.plugin.Description();
  auto driver = StartedMachine(context, kSampleRate, RandomTrackCount(d, context.random));
  context.At("Halt before any note");
  driver->Halt();
  driver->Halt();
  ++context.cases;
  for (int tick = context.Scaled(100); tick > 0; --tick) {
    context.At("Halt among ticks, " + std::to_string(tick) + " ticks left");
    WriteRandomTick(*driver, context.random, 40);
    if (context.random.Percent(10)) {
      driver->Halt();  // between writing the values and applying them
      ++context.cases;
    }
    driver->Tick();
    for (int block = context.random.Between(1, 4); block > 0; --block) {
      driver->Render(context.random.Between(1, 700), kRenderHasInput);
      if (context.random.Percent(15)) {
        driver->Halt();
        ++context.cases;
      }
    }
    if (context.random.Percent(5)) driver->MidiNote(0, context.random.Below(kMidiNotes), 100);
  }
  return Passed(context);
}

}  // namespace varnok::host::validate
