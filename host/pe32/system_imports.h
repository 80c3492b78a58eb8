// The functions of the system's DLLs that emulated code may import, in one
// table with their calling conventions and argument counts.
#pragma once

#include <cstdint>
#include <string>

#include "host/pe32/guest_cpu.h"

namespace varnok::host::pe32 {

class GuestProcess;

// One call of an import, as its handler sees it.
class ImportCall {
 public:
  ImportCall(GuestProcess& process, EntryCall& entry) : process_(process), entry_(entry) {}
  std::uint32_t Arg(int index) const { return entry_.Arg(index); }
  GuestAddress Args() const { return entry_.Args(); }
  GuestProcess& Process() const { return process_; }
  EntryCall& Entry() const { return entry_; }

 private:
  GuestProcess& process_;
  EntryCall& entry_;
};

using ImportFunction = std::uint64_t (*)(ImportCall&);
// A data import: the guest address the import slot receives.
using ImportData = GuestAddress (*)(GuestProcess&);

struct SystemImport {
  const char* dll;  // lower case
  const char* name;
  Convention convention;
  int arguments;  // fixed arguments; variable lists read the rest themselves
  ImportFunction function;
  ImportData data;
};

// The entry for `name` of `dll` (any case), or null.
const SystemImport* FindSystemImport(const std::string& dll, const std::string& name);
// True for the DLLs the table stands in for.
bool IsSystemDll(const std::string& dll);
// The host entry that guest code calls for `import`, made on first use.
GuestAddress ImportEntry(GuestProcess& process, const SystemImport& import);

}  // namespace varnok::host::pe32
