// Opens the Analyzer's real window, plays a tone through it until both columns
// show values, then keeps it on screen, answering its messages: for screenshots.
// Usage: analyzer_window_demo PLUGIN SECONDS
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "host/analyze/meter_run.h"
#include "host/core/host_error.h"
#include "host/core/host_services.h"
#include "host/core/machine_instance.h"
#include "host/core/plugin.h"
#include "platform/dialog_driver.h"

namespace {

constexpr int kSampleRate = 44100;
// Sixteen ticks: the "Average" column is rewritten at refreshes 0, 8 and 16.
constexpr int kTicks = 16;
constexpr double kToneHz = 440.0;
constexpr double kToneLevel = 16384.0;  // half of full level
constexpr double kOffset = 300.0;

std::vector<float> Tone(std::size_t count) {
  const double pi = std::acos(-1.0);
  std::vector<float> samples(count);
  for (std::size_t i = 0; i < count; ++i) {
    samples[i] = static_cast<float>(kToneLevel * std::sin(2 * pi * kToneHz * i / kSampleRate) + kOffset);
  }
  return samples;
}

void Hold(double seconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < until) {
    varnok::platform::PumpDialogMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s PLUGIN SECONDS\n", argv[0]);
    return 2;
  }
  try {
    const double seconds = std::stod(argv[2]);
    const varnok::host::Plugin plugin = varnok::host::Plugin::Load(argv[1]);
    varnok::host::StandInHostServices services;
    varnok::HostInfo info = varnok::host::MakeHostInfo(kSampleRate, 125, 4);
    varnok::host::MachineInstance machine(plugin, info, services);
    const auto samples = Tone(static_cast<std::size_t>(kTicks + 1) * info.samples_per_tick);
    varnok::host::RunMeter(*machine, plugin.Description(), samples, kTicks,
                           [seconds](const varnok::host::MeterReading&) { Hold(seconds); });
  } catch (const std::exception& error) {
    std::fprintf(stderr, "analyzer_window_demo: %s\n", error.what());
    return 1;
  }
  return 0;
}
