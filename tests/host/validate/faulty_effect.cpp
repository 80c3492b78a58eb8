// A one-pole low-pass effect. It keeps its state out of the denormal range,
// unless VARNOK_FAULT is "denormal-tail": then its decay after a loud input
// passes through denormals, as an unguarded filter's does.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "framework/plugin_entry.h"

namespace {

const varnok::MachineDescription kFaultyEffectDescription = {
    varnok::kMachineKind, varnok::kInterfaceVersion, 0,
    /*min_tracks=*/0, /*max_tracks=*/0,
    /*global_param_count=*/0, /*track_param_count=*/0, nullptr,
    /*attribute_count=*/0, nullptr,
    "Faulty Effect", "Faulty Effect", varnok::kAuthor, nullptr};

bool LeaksFromEnvironment() noexcept {
  const char* name = std::getenv("VARNOK_FAULT");
  return name != nullptr && std::strcmp(name, "denormal-tail") == 0;
}

// Far above the denormal range, far below anything audible at full level 32768.
constexpr float kQuiet = 1e-20f;

class FaultyEffect final : public varnok::Machine<FaultyEffect> {
 public:
  FaultyEffect() noexcept : leaks_(LeaksFromEnvironment()) {}

  bool MACHINE_CALL Render(float* samples, int count, int mode) noexcept override {
    if ((mode & 1) == 0) return false;
    for (int i = 0; i < count; ++i) {
      state_ = 0.5f * state_ + 0.5f * samples[i];
      if (!leaks_ && std::fabs(state_) < kQuiet) state_ = 0.0f;
      samples[i] = state_;
    }
    return true;
  }

 private:
  const bool leaks_;
  float state_ = 0.0f;
};

}  // namespace

VARNOK_MACHINE_PLUGIN(FaultyEffect, kFaultyEffectDescription)
