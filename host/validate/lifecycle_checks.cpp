// Creating and destroying machines, and their stored state.
#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "host/core/memory_state.h"
#include "host/validate/check_bodies.h"

namespace varnok::host::validate {
namespace {

constexpr int kSampleRate = 44100;
// A reader that keeps asking for bytes long after its state ended never stops.
constexpr std::size_t kMostStateReads = 100000;

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (std::uint8_t b : bytes) {
    if (!text.empty()) text += ' ';
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  return text.empty() ? "(nothing)" : text;
}

// Plays a stored state: Initialize with it, a few ticks, then save.
void LoadAndPlay(CheckContext& context, std::vector<std::uint8_t> state) {
  const std::size_t size = state.size();
  MemoryStateInput input(std::move(state));
  MachineDriver driver(context.plugin, context.services, kSampleRate);
  driver.Start(&input, RandomTrackCount(driver.Description(), context.random));
  if (input.ReadCalls() > kMostStateReads) {
    throw CheckFailure("Initialize made " + std::to_string(input.ReadCalls()) +
                       " reads from a state of " + std::to_string(size) + " bytes");
  }
  for (int tick = 0; tick < 2; ++tick) PlayTick(driver, context.random);
  driver.SaveState();
}

}  // namespace

// Loading is done before any check's body runs; this one only counts it.
CheckResult Loaded(CheckContext& context) {
  ++context.cases;
  return Passed(context);
}

CheckResult Instances(CheckContext& context) {
  std::vector<std::unique_ptr<MachineDriver>> alive;
  const int creations = context.Scaled(20);
  const MachineDescription& d = context.plugin.Description();
  while (context.cases < creations || !alive.empty()) {
    const int choice = context.random.Below(3);
    if (context.cases < creations && (alive.empty() || choice == 0)) {
      context.At("creating instance " + std::to_string(context.cases + 1) + " with " +
                 std::to_string(alive.size()) + " alive");
      alive.push_back(StartedMachine(context, kSampleRate, RandomTrackCount(d, context.random)));
      ++context.cases;
    } else if (choice == 1 || context.cases >= creations) {
      // Destroy one at random, not the last made: the newest is often special.
      const std::size_t victim = static_cast<std::size_t>(context.random.Below(static_cast<int>(alive.size())));
      context.At("destroying one of " + std::to_string(alive.size()) + " instances");
      alive.erase(alive.begin() + static_cast<std::ptrdiff_t>(victim));
    } else {
      const std::size_t player = static_cast<std::size_t>(context.random.Below(static_cast<int>(alive.size())));
      context.At("playing a tick on one of " + std::to_string(alive.size()) + " instances");
      PlayTick(*alive[player], context.random);
    }
  }
  return Passed(context);
}

CheckResult StateRoundtrip(CheckContext& context) {
  const int rounds = context.Scaled(4);
  for (int round = 0; round < rounds; ++round) {
    context.At("round " + std::to_string(round + 1) + ": save, load, save");
    auto first = StartedMachine(context, kSampleRate, context.plugin.Description().min_tracks);
    for (int tick = context.random.Below(8); tick > 0; --tick) PlayTick(*first, context.random);
    const std::vector<std::uint8_t> saved = first->SaveState();
    const std::vector<std::uint8_t> again = first->SaveState();
    if (again != saved) {
      throw CheckFailure("two saves in a row differ: " + Hex(saved) + " then " + Hex(again));
    }
    MemoryStateInput input(saved);
    MachineDriver second(context.plugin, context.services, kSampleRate);
    second.Start(&input, context.plugin.Description().min_tracks);
    const std::vector<std::uint8_t> reloaded = second.SaveState();
    if (reloaded != saved) {
      throw CheckFailure("saved " + Hex(saved) + ", loaded it, saved " + Hex(reloaded));
    }
    ++context.cases;
  }
  return Passed(context);
}

CheckResult StateGarbage(CheckContext& context) {
  std::vector<std::uint8_t> saved;
  {
    auto machine = StartedMachine(context, kSampleRate, context.plugin.Description().min_tracks);
    saved = machine->SaveState();
  }
  for (std::size_t length = 0; length < saved.size(); ++length) {
    context.At("stored state cut to " + std::to_string(length) + " of " +
               std::to_string(saved.size()) + " bytes");
    LoadAndPlay(context, std::vector<std::uint8_t>(saved.begin(), saved.begin() + static_cast<std::ptrdiff_t>(length)));
    ++context.cases;
  }
  const int random_states = context.Scaled(40);
  for (int i = 0; i < random_states; ++i) {
    std::vector<std::uint8_t> state(static_cast<std::size_t>(context.random.Between(1, 64)));
    // Half of them start from the real state and change some bytes, which gets
    // past a reader's first test.
    if (!saved.empty() && context.random.Percent(50)) {
      state = saved;
      for (int flips = context.random.Between(1, 4); flips > 0; --flips) {
        state[static_cast<std::size_t>(context.random.Below(static_cast<int>(state.size())))] =
            static_cast<std::uint8_t>(context.random.Below(256));
      }
    } else {
      for (std::uint8_t& b : state) b = static_cast<std::uint8_t>(context.random.Below(256));
    }
    context.At("stored state " + Hex(state));
    LoadAndPlay(context, state);
    ++context.cases;
  }
  return Passed(context);
}

}  // namespace varnok::host::validate
