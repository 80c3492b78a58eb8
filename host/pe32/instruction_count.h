// Counts the instructions emulated guest code runs, per call, when
// MACHINE_HOST_COUNT_INSTRUCTIONS is set. Off by default: the processor then
// runs without the per-instruction hook, at no cost.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

struct uc_struct;

namespace varnok::host::pe32 {

class InstructionCount final {
 public:
  // The program's count, or null when the variable is unset, empty or "0".
  // Throws GuestError when its file cannot be written.
  static InstructionCount* FromEnvironment();

  // Counts every instruction `uc` runs into `counter`.
  static void Install(uc_struct* uc, std::uint64_t* counter);

  // One outermost call named `what` ran `instructions`, nested calls included.
  // Allocates only for a name not seen before.
  void Add(const std::string& what, std::uint64_t instructions);

  // Writes one line per call name, when the program ends: to standard error,
  // or to the file the variable names.
  ~InstructionCount();

 private:
  struct Totals {
    std::uint64_t calls = 0;
    std::uint64_t instructions = 0;
  };
  explicit InstructionCount(std::string file) : file_(std::move(file)) {}

  std::string file_;  // empty: standard error
  std::map<std::string, Totals, std::less<>> totals_;
};

}  // namespace varnok::host::pe32
