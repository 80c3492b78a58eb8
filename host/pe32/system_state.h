// What the emulated system and C runtime keep between calls: handles, thread
// slots, views of shared memory, the runtime's data, and the dialogs opened
// through the host's dialog model.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/pe32/guest_memory.h"
#include "platform/dialog_resource.h"
#include "platform/shared_counter.h"

namespace varnok::host::pe32 {

// An object behind a handle.
struct KernelObject {
  enum class Kind { kSemaphore, kMapping };
  explicit KernelObject(Kind k) : kind(k) {}
  ~KernelObject();
  KernelObject(const KernelObject&) = delete;
  KernelObject& operator=(const KernelObject&) = delete;

  Kind kind;
  std::int32_t count = 0;     // semaphores
  std::int32_t maximum = 0;   // semaphores
  platform::SharedMapping mapping = platform::kNoSharedMapping;  // mappings
};

// A dialog template and menu read from a DLL, in the form the dialog model takes.
struct DialogTemplate {
  std::vector<std::unique_ptr<std::string>> texts;
  std::vector<platform::ControlResource> controls;
  std::vector<std::vector<platform::MenuItemResource>> items;
  std::vector<platform::MenuPopupResource> popups;
  platform::MenuResource menu{};
  platform::DialogResource dialog{};
};

struct SharedView {
  GuestAddress page;
  std::int32_t* host;
};

struct SystemImport;

struct SystemState {
  std::map<const SystemImport*, GuestAddress> entries;
  std::map<std::uint32_t, std::shared_ptr<KernelObject>> handles;
  std::uint32_t next_handle = 0x100;
  std::vector<bool> tls_slots = std::vector<bool>(64, false);
  std::vector<bool> module_tls = std::vector<bool>(64, false);
  GuestAddress module_tls_array = 0;  // the thread's ThreadLocalStoragePointer
  std::vector<SharedView> views;
  std::string shared_name_prefix;  // a test's own, so parallel runs never share a count

  // The C runtime's data.
  GuestAddress errno_slot = 0;
  GuestAddress streams = 0;  // _iob: stdin, stdout, stderr, 32 bytes each
  GuestAddress mb_cur_max = 0;
  GuestAddress locale_numbers = 0;  // what localeconv returns
  std::string decimal_point = ".";  // another locale's, as a host may have set it

  // Dialogs: the guest procedure of each open dialog.
  std::map<std::uint32_t, GuestAddress> dialog_procedures;
  GuestAddress creating_procedure = 0;  // for the messages sent during creation
  std::map<std::pair<GuestAddress, std::uint32_t>, std::unique_ptr<DialogTemplate>> templates;
  std::string dialog_fault;  // a fault in a procedure called from the host's side
};

}  // namespace varnok::host::pe32
