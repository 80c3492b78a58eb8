// An Analyzer driven the way a host drives it, with its window open in the
// headless dialog model.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "analyzer/analyzer_description.h"
#include "analyzer/analyzer_machine.h"
#include "analyzer/dialog_template.h"
#include "host/core/host_services.h"
#include "platform/dialog_driver.h"
#include "platform/message_box.h"

namespace varnok::analyzer::testing {

// Message boxes shown while a test runs, instead of on standard error.
struct ShownBoxes {
  static std::vector<std::string>& Titles() {
    static std::vector<std::string> titles;
    return titles;
  }
  static int Record(const char* title, const char*) {
    Titles().push_back(title);
    return platform::kMessageBoxOk;
  }
};

class MeterHost {
 public:
  explicit MeterHost(int samples_per_tick = 1000, int sample_rate = 44100)
      : machine(std::make_unique<AnalyzerMachine>()) {
    info.sample_rate = sample_rate;
    info.samples_per_tick = samples_per_tick;
    machine->host_info = &info;
    machine->host_services = &Services();
  }

  // Initialize, then "Open..." and the dialog it opened.
  platform::WindowHandle Open(StateInput* saved = nullptr) {
    machine->Initialize(saved);
    return Reopen();
  }
  platform::WindowHandle Reopen() {
    const auto before = platform::OpenDialogs();
    machine->RunCommand(kOpenCommand);
    const auto after = platform::OpenDialogs();
    return after.size() > before.size() ? after.back() : nullptr;
  }

  void Render(std::vector<float> samples, int mode = 1) {
    machine->Render(samples.data(), static_cast<int>(samples.size()), mode);
  }
  // One tick of a host that lets each refresh finish: the tick's message, then
  // its audio.
  void Tick(const std::vector<float>& samples = {}) {
    machine->ApplyTick();
    platform::PumpDialogMessages();
    if (!samples.empty()) Render(samples);
  }
  // A refresh of what was rendered since the last one.
  void Refresh() {
    machine->ApplyTick();
    platform::PumpDialogMessages();
  }

  // The tables take a while to build, and the Analyzer never calls the services.
  static host::StandInHostServices& Services() {
    static host::StandInHostServices services;
    return services;
  }

  HostInfo info{};
  std::unique_ptr<AnalyzerMachine> machine;
};

// Every test starts and ends without dialogs or queued messages.
class AnalyzerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetMessageSink(&ShownBoxes::Record);
    ShownBoxes::Titles().clear();
  }
  void TearDown() override {
    platform::PumpDialogMessages();
    EXPECT_TRUE(platform::OpenDialogs().empty()) << "a dialog outlived its machine";
    platform::SetMessageSink(nullptr);
  }
};

inline std::vector<float> Constant(float value, int count) {
  return std::vector<float>(static_cast<std::size_t>(count), value);
}

}  // namespace varnok::analyzer::testing
