#include "analyzer/analyzer_machine.h"

#include "analyzer/analyzer_description.h"

namespace varnok::analyzer {
namespace {

double FractionOfDummy(std::uint8_t value) noexcept {
  return value * (1.0 / kGlobalParamRows[kDummyByte].max_value);
}

}  // namespace

AnalyzerMachine::AnalyzerMachine() noexcept : window(measurement, instance_counter) {
  global_values = &global_block;
  attribute_values = &attribute_block;
}

void MACHINE_CALL AnalyzerMachine::Initialize(StateInput* saved) {
  last_dummy = static_cast<std::uint8_t>(kGlobalParamRows[kDummyByte].default_value);
  dummy_fraction = FractionOfDummy(last_dummy);
  measurement.Start(PowerFilterFor(host_info->sample_rate));
  window.Setup(AnalyzerDialogProc, host_info, saved);
}

void MACHINE_CALL AnalyzerMachine::ApplyTick() noexcept {
  window.Tick();
  if (global_block != kNoValue) {
    last_dummy = global_block;
    dummy_fraction = FractionOfDummy(last_dummy);
  }
}

bool MACHINE_CALL AnalyzerMachine::Render(float* samples, int count, int mode) noexcept {
  return measurement.Render(samples, count, mode);
}

void MACHINE_CALL AnalyzerMachine::SaveState(StateOutput* out) { window.SaveSettings(out); }

void MACHINE_CALL AnalyzerMachine::RunCommand(int index) {
  if (index == kOpenCommand) {
    window.Show();
  } else if (index == kAboutCommand) {
    window.ShowAbout();
  }
}

}  // namespace varnok::analyzer
