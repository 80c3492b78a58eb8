// Stored state of any shape given to the Analyzer's Initialize: it must load
// without fault, and what it then saves must load and save to the same bytes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/render_signal.h"
#include "host/core/host_services.h"
#include "host/core/machine_instance.h"
#include "host/core/memory_state.h"
#include "host/core/plugin.h"

namespace {

using varnok::host::MemoryStateInput;
using varnok::host::MemoryStateOutput;

varnok::host::Plugin* analyzer = nullptr;
varnok::host::StandInHostServices* services = nullptr;

std::vector<std::uint8_t> LoadAndSave(std::vector<std::uint8_t> state) {
  varnok::HostInfo info = varnok::host::MakeHostInfo(44100, 125, 4);
  varnok::host::MachineInstance machine(*analyzer, info, *services);
  MemoryStateInput input(std::move(state));
  machine->Initialize(&input);
  machine->ApplyTick();
  float block[64] = {};
  machine->Render(block, 64, varnok::kRenderHasInput);
  MemoryStateOutput output;
  machine->SaveState(&output);
  return output.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  analyzer = new varnok::host::Plugin(varnok::host::Plugin::Load(VARNOK_FUZZ_PLUGIN));
  services = new varnok::host::StandInHostServices();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> saved = LoadAndSave(std::vector<std::uint8_t>(data, data + size));
  if (LoadAndSave(saved) != saved) __builtin_trap();
  return 0;
}
