#include "host/validate/check_bodies.h"
#include "host/validate/checks.h"
#include "host/validate/validator.h"

namespace varnok::host::validate {

void CheckContext::At(const std::string& where) {
  where_ = where;
  if (report_ == nullptr) return;
  std::fputs(ProgressLine(where).c_str(), report_);
  std::fflush(report_);
}

std::unique_ptr<MachineDriver> StartedMachine(CheckContext& context, int sample_rate, int tracks) {
  auto driver = std::make_unique<MachineDriver>(context.plugin, context.services, sample_rate);
  driver->Start(nullptr, tracks);
  return driver;
}

CheckResult Passed(const CheckContext& context) { return {Outcome::kPassed, context.cases, {}}; }

const std::vector<Check>& AllChecks() {
  static const std::vector<Check> checks = {
      {kLoadCheck, "The library loaded and its description read and checked", Loaded},
      {"instances", "Many instances created, played and destroyed, interleaved", Instances},
      {"sample-rates", "Notes at sample rates from 8000 to 192000", SampleRates},
      {"block-sizes", "Blocks of 1, 2, 3, 64, 4096, 8192 and random sizes", BlockSizes},
      {"block-partition", "A tick cut into different blocks gives bit-identical samples",
       BlockPartition},
      {"track-counts", "Every track count, changed while notes sound", TrackCounts},
      {"tracks-out-of-range",
       "Track counts one past each limit and at the int32 extremes, while notes sound: only "
       "crashes and broken output fail",
       TrackCountsOutOfRange},
      {"attributes", "Every attribute at its edges and next to them, while notes sound",
       Attributes},
      {"attributes-out-of-range",
       "Attributes one past each edge and at the int32 extremes: only crashes and broken "
       "output fail",
       AttributesOutOfRange},
      {"parameter-bytes", "Thousands of ticks of random bytes, all 255 and all 0",
       ParameterBytes},
      {"keyboard-notes", "Storms of keyboard notes 0..127 at velocities 0..127", KeyboardNotes},
      {"halt", "Halt at random points, then play on", HaltAnywhere},
      {"state-roundtrip", "Saving, loading and saving again gives the same bytes",
       StateRoundtrip},
      {"state-garbage", "Random and truncated stored state given to Initialize", StateGarbage},
      {"effect-inputs",
       "Effects fed silence, full-scale squares and denormals, each followed by silence: no "
       "denormal, NaN or infinity comes out",
       EffectInputs},
      {"audio-path",
       "Halt, ApplyTick, Render, OnMidiNote and SetTrackCount while playing neither allocate "
       "nor lock",
       AudioPath},
  };
  return checks;
}

const Check* FindCheck(const std::string& name) {
  for (const Check& check : AllChecks()) {
    if (name == check.name) return &check;
  }
  return nullptr;
}

}  // namespace varnok::host::validate
