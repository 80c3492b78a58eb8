#include "host/pe32/instruction_count.h"

#include <unicorn/unicorn.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "host/core/host_error.h"
#include "host/pe32/guest_error.h"

namespace varnok::host::pe32 {
namespace {

constexpr const char* kVariable = "MACHINE_HOST_COUNT_INSTRUCTIONS";

void OnInstruction(uc_struct*, std::uint64_t, std::uint32_t, void* counter) {
  ++*static_cast<std::uint64_t*>(counter);
}

}  // namespace

InstructionCount* InstructionCount::FromEnvironment() {
  const char* value = std::getenv(kVariable);
  if (value == nullptr || *value == '\0' || std::strcmp(value, "0") == 0) return nullptr;
  std::string file = std::strcmp(value, "1") == 0 ? std::string() : std::string(value);
  if (!file.empty()) {
    // Refused now rather than lost at the end of the run.
    std::FILE* out = std::fopen(file.c_str(), "a");
    if (out == nullptr) {
      throw GuestError(std::string(kVariable) + ": cannot write '" + Escaped(file) + "': " + std::strerror(errno));
    }
    std::fclose(out);
  }
  // Reports as the program ends, after the last emulated call.
  static std::unique_ptr<InstructionCount> count(new InstructionCount(std::move(file)));
  return count.get();
}

void InstructionCount::Install(uc_struct* uc, std::uint64_t* counter) {
  uc_hook hook;
  if (uc_hook_add(uc, &hook, UC_HOOK_CODE, reinterpret_cast<void*>(&OnInstruction), counter, 1, 0) !=
      UC_ERR_OK) {
    throw GuestError("cannot count the processor's instructions");
  }
}

void InstructionCount::Add(const std::string& what, std::uint64_t instructions) {
  auto found = totals_.find(what);
  if (found == totals_.end()) found = totals_.emplace(what, Totals{}).first;
  ++found->second.calls;
  found->second.instructions += instructions;
}

InstructionCount::~InstructionCount() {
  std::FILE* out = file_.empty() ? stderr : std::fopen(file_.c_str(), "w");
  if (out == nullptr) {
    std::fprintf(stderr, "machine-host: %s: cannot write '%s': %s\n", kVariable, Escaped(file_).c_str(),
                 std::strerror(errno));
    return;
  }
  for (const auto& [what, totals] : totals_) {
    std::fprintf(out, "emulated instructions: %s: %llu calls, %llu instructions\n", what.c_str(),
                 static_cast<unsigned long long>(totals.calls),
                 static_cast<unsigned long long>(totals.instructions));
  }
  if (out != stderr) std::fclose(out);
}

}  // namespace varnok::host::pe32
