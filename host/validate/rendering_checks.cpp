// Sample rates, block sizes, and what the audio path may do.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "framework/render_signal.h"
#include "host/validate/check_bodies.h"
#include "host/validate/sample_checks.h"
#include "platform/audio_path_probe.h"

namespace varnok::host::validate {
namespace {

constexpr int kSampleRate = 44100;
constexpr int kSampleRates[] = {8000,  11025, 16000, 22050,  32000, 44100,
                                48000, 88200, 96000, 176400, 192000};
constexpr int kLowestRate = 8000;
constexpr int kHighestRate = 192000;
constexpr int kBlockSizes[] = {1, 2, 3, 64, 4096, kMaxBlock};

// What an effect is fed. A decaying state shows in the silence that follows each.
struct EffectInput {
  const char* name;
  float (*sample)(int index);
};

float Silence(int) { return 0.0f; }
// Full level, both signs, a period of 100 samples.
float FullScaleSquare(int index) { return index % 100 < 50 ? kFullLevel : -kFullLevel; }
// From the smallest denormal to the largest, of either sign.
float Denormal(int index) {
  const float largest = std::nextafter(std::numeric_limits<float>::min(), 0.0f);
  const float smallest = std::numeric_limits<float>::denorm_min();
  const float value = index % 4 < 2 ? smallest : largest;
  return index % 2 == 0 ? value : -value;
}

constexpr EffectInput kEffectInputs[] = {
    {"silence", Silence}, {"full-scale squares", FullScaleSquare}, {"denormals", Denormal}};
// Long enough for a slow decay from full level to reach the denormal range.
constexpr int kSettleSeconds = 2;

// Feeds one tick of `sample` in random blocks; `first` counts on across ticks.
void FeedTick(CheckContext& context, MachineDriver& driver, float (*sample)(int), int& first) {
  std::vector<float> block(kMaxBlock);
  WriteRandomTick(driver, context.random, 40);
  driver.Tick();
  for (int left = driver.SamplesPerTick(); left > 0;) {
    const int count = std::min(left, context.random.Between(1, kMaxBlock));
    for (int i = 0; i < count; ++i) block[static_cast<std::size_t>(i)] = sample(first + i);
    driver.RenderInput(block.data(), count);
    first += count;
    left -= count;
  }
}

// A tick where every note parameter plays `note` on every track.
void PlayNoteEverywhere(MachineDriver& driver, Random& random, std::uint8_t note) {
  const MachineDescription& d = driver.Description();
  driver.WriteNoValues();
  for (int t = 0; t < driver.TrackCount(); ++t) {
    for (int i = d.global_param_count; i < driver.ParamCount(); ++i) {
      if (d.params[i]->kind == kNoteParam) driver.WriteValue(i, t, note);
    }
  }
  driver.Tick();
  RenderTick(driver, random, 512);
}

std::uint8_t HighestNote(const MachineDescription& d) {
  int highest = kLowestNote;
  for (int i = 0; i < d.global_param_count + d.track_param_count; ++i) {
    if (d.params[i]->kind == kNoteParam) highest = std::max(highest, d.params[i]->max_value);
  }
  return static_cast<std::uint8_t>(highest);
}

// One run of `ticks` ticks; each tick rendered whole or cut at random.
std::vector<float> RenderTicks(CheckContext& context, std::uint64_t values_seed, int ticks,
                               bool cut) {
  MachineDriver driver(context.plugin, context.services, kSampleRate);
  Random values(values_seed);
  driver.Start(nullptr, RandomTrackCount(driver.Description(), values));
  std::vector<float> output;
  for (int tick = 0; tick < ticks; ++tick) {
    WriteRandomTick(driver, values, 40);
    driver.Tick();
    int left = driver.SamplesPerTick();
    while (left > 0) {
      const int block = cut ? std::min(left, context.random.Between(1, left)) : left;
      const bool wrote = driver.Render(block, kRenderHasInput);
      // A generator that wrote nothing gave silence.
      if (wrote) {
        output.insert(output.end(), driver.Output(), driver.Output() + block);
      } else {
        output.insert(output.end(), static_cast<std::size_t>(block), 0.0f);
      }
      left -= block;
    }
  }
  return output;
}

}  // namespace

CheckResult SampleRates(CheckContext& context) {
  std::vector<int> rates(std::begin(kSampleRates), std::end(kSampleRates));
  for (int i = context.Scaled(2); i > 0; --i) {
    rates.push_back(context.random.Between(kLowestRate, kHighestRate));
  }
  const MachineDescription& d = context.plugin.Description();
  for (int rate : rates) {
    context.At("sample rate " + std::to_string(rate));
    auto driver = StartedMachine(context, rate, d.max_tracks);
    // The highest and lowest notes find the ends of any pitch table.
    PlayNoteEverywhere(*driver, context.random, HighestNote(d));
    PlayNoteEverywhere(*driver, context.random, static_cast<std::uint8_t>(kLowestNote));
    for (int tick = context.Scaled(2); tick > 0; --tick) PlayTick(*driver, context.random);
    ++context.cases;
  }
  return Passed(context);
}

CheckResult BlockSizes(CheckContext& context) {
  std::vector<int> sizes(std::begin(kBlockSizes), std::end(kBlockSizes));
  for (int i = context.Scaled(6); i > 0; --i) sizes.push_back(context.random.Between(1, kMaxBlock));
  auto driver = StartedMachine(context, kSampleRate, context.plugin.Description().max_tracks);
  for (int size : sizes) {
    context.At("blocks of " + std::to_string(size) + " samples");
    WriteRandomTick(*driver, context.random, 60);
    driver->Tick();
    for (int block = 0; block < 3; ++block) driver->Render(size, context.random.Below(4));
    ++context.cases;
  }
  return Passed(context);
}

CheckResult BlockPartition(CheckContext& context) {
  const int ticks = context.Scaled(20);
  const std::uint64_t values_seed = context.random.Next();
  context.At("rendering " + std::to_string(ticks) + " ticks whole");
  const std::vector<float> whole = RenderTicks(context, values_seed, ticks, false);
  context.At("rendering the same ticks cut into random blocks");
  const std::vector<float> cut = RenderTicks(context, values_seed, ticks, true);
  context.cases = ticks;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (std::memcmp(&whole[i], &cut[i], sizeof(float)) != 0) {
      throw CheckFailure("sample " + std::to_string(i) + " is " + std::to_string(whole[i]) +
                         " rendered whole but " + std::to_string(cut[i]) + " when cut");
    }
  }
  return Passed(context);
}

CheckResult EffectInputs(CheckContext& context) {
  const MachineDescription& d = context.plugin.Description();
  auto driver = StartedMachine(context, kSampleRate, d.min_tracks);
  if (driver->IsGenerator()) return {Outcome::kSkipped, 0, "a generator takes no input"};
  const int settle_ticks = kSettleSeconds * kSampleRate / driver->SamplesPerTick() + 1;
  for (const EffectInput& input : kEffectInputs) {
    int first = 0;
    context.At(std::string(input.name) + " in");
    for (int tick = context.Scaled(4); tick > 0; --tick) {
      FeedTick(context, *driver, input.sample, first);
    }
    context.At(std::string("silence after ") + input.name);
    for (int tick = 0; tick < settle_ticks; ++tick) FeedTick(context, *driver, Silence, first);
    ++context.cases;
  }
  return Passed(context);
}

CheckResult AudioPath(CheckContext& context) {
  platform::AudioPathCounts own;
  if (!platform::AudioPathProbeAvailable() && !context.plugin.OwnRuntimeCounts(own)) {
    return {Outcome::kSkipped, 0, "heap and lock counting is not available in this build"};
  }
  const MachineDescription& d = context.plugin.Description();
  auto driver = StartedMachine(context, kSampleRate, d.max_tracks);
  driver->SetProbing(true);
  const int ticks = context.Scaled(40);
  for (int tick = 0; tick < ticks; ++tick) {
    context.At("tick " + std::to_string(tick + 1));
    for (int notes = context.random.Below(4); notes > 0; --notes) {
      driver->MidiNote(0, context.random.Below(128), context.random.Below(128));
    }
    PlayTick(*driver, context.random);
    if (context.random.Percent(5)) driver->Halt();
    if (context.random.Percent(10)) driver->SetTrackCount(RandomTrackCount(d, context.random));
    ++context.cases;
  }
  return Passed(context);
}

}  // namespace varnok::host::validate
