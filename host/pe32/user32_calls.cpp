// USER32: the Analyzer's modeless dialog and the message box, on the host's
// headless dialog model. The model calls the guest's dialog procedure back
// through one native procedure that knows which guest procedure each dialog has.
#include <cstdint>

#include "host/core/host_error.h"
#include "host/pe32/guest_error.h"
#include "host/pe32/resource_templates.h"
#include "host/pe32/system_calls.h"
#include "platform/dialog.h"
#include "platform/dialog_driver.h"
#include "platform/message_box.h"

namespace varnok::host::pe32 {
namespace {

constexpr std::uint32_t kShowHide = 0;
constexpr std::int32_t kDialogUserData = 8;  // DWL_USER
constexpr std::uint32_t kByPosition = 0x400;  // MF_BYPOSITION

GuestMemory& Memory(ImportCall& call) { return call.Process().Memory(); }

platform::WindowHandle Window(std::uint32_t handle) {
  return reinterpret_cast<platform::WindowHandle>(static_cast<std::uintptr_t>(handle));
}

std::uint32_t Handle(const void* window) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window));
}

// Every emulated dialog's procedure as the model sees it. A fault cannot
// cross the model, so it is kept, the process marked broken, and the guest
// call that led here (if any) fails with it.
std::intptr_t DIALOG_CALL GuestDialogProcedure(platform::WindowHandle dialog, unsigned message,
                                                std::uintptr_t wparam, std::intptr_t lparam) {
  GuestProcess& process = EmulatedProcess();
  SystemState& system = process.System();
  const std::uint32_t window = Handle(dialog);
  auto found = system.dialog_procedures.find(window);
  if (found == system.dialog_procedures.end()) {
    if (system.creating_procedure == 0) return 0;
    found = system.dialog_procedures.emplace(window, system.creating_procedure).first;
  }
  try {
    return static_cast<std::int32_t>(process.Call(
        "dialog procedure", found->second, Convention::kStdcall,
        {window, message, static_cast<std::uint32_t>(wparam), static_cast<std::uint32_t>(lparam)}));
  } catch (const GuestError& error) {
    if (system.dialog_fault.empty()) system.dialog_fault = error.what();
    return 0;
  }
}

// Rethrows a fault of a dialog procedure that ran during this call.
void RethrowDialogFault(ImportCall& call) {
  std::string& fault = call.Process().System().dialog_fault;
  if (!fault.empty()) {
    const std::string text = std::move(fault);
    fault.clear();
    throw GuestError(text);
  }
}

}  // namespace

namespace user32 {

std::uint64_t CreateDialogParamA(ImportCall& call) {
  GuestProcess& process = call.Process();
  const GuestAddress instance = call.Arg(0);
  const std::uint32_t name = call.Arg(1);
  LoadedModule* module = process.ModuleAt(instance);
  if (module == nullptr || module->base != instance) {
    SetLastError(process, kErrorInvalidHandle);
    return 0;
  }
  if ((name >> 16) != 0) throw GuestError("names its dialog template by text, which is not read");
  if (call.Arg(2) != 0) throw GuestError("gives its dialog an owner window, which the model lacks");
  SystemState& system = process.System();
  auto& kept = system.templates[{instance, name}];
  if (!kept) kept = ReadDialogTemplate(module->headers, module->Image(process.Memory()), name);
  system.creating_procedure = call.Arg(3);
  platform::WindowHandle dialog =
      platform::CreateModelessDialog(kept->dialog, &GuestDialogProcedure, static_cast<std::int32_t>(call.Arg(4)));
  system.creating_procedure = 0;
  RethrowDialogFault(call);
  return Handle(dialog);
}

std::uint64_t DestroyWindow(ImportCall& call) {
  const bool destroyed = platform::DestroyDialog(Window(call.Arg(0)));
  call.Process().System().dialog_procedures.erase(call.Arg(0));
  if (!destroyed) SetLastError(call.Process(), 1400);  // ERROR_INVALID_WINDOW_HANDLE
  return destroyed ? 1 : 0;
}

std::uint64_t ShowWindow(ImportCall& call) {
  if (call.Arg(1) == kShowHide) throw GuestError("hides a window, which the model does not do");
  const bool was_visible = platform::DialogVisible(Window(call.Arg(0)));
  platform::ShowDialog(Window(call.Arg(0)));
  return was_visible ? 1 : 0;
}

std::uint64_t PostMessageA(ImportCall& call) {
  return platform::PostDialogMessage(Window(call.Arg(0)), call.Arg(1), call.Arg(2),
                                     static_cast<std::int32_t>(call.Arg(3)))
             ? 1
             : 0;
}

std::uint64_t GetDlgItem(ImportCall& call) {
  return Handle(platform::DialogItem(Window(call.Arg(0)), static_cast<std::int32_t>(call.Arg(1))));
}

std::uint64_t SetWindowTextA(ImportCall& call) {
  const std::string text = call.Arg(1) == 0 ? std::string() : Memory(call).ReadString(call.Arg(1));
  return platform::SetText(Window(call.Arg(0)), text.c_str()) ? 1 : 0;
}

std::uint64_t GetMenu(ImportCall& call) { return Handle(platform::DialogMenu(Window(call.Arg(0)))); }

std::uint64_t CheckMenuRadioItem(ImportCall& call) {
  if (call.Arg(4) & kByPosition) throw GuestError("checks a menu item by position, which the model does not do");
  auto* menu = reinterpret_cast<platform::MenuHandle>(static_cast<std::uintptr_t>(call.Arg(0)));
  return platform::CheckMenuRadio(menu, static_cast<std::int32_t>(call.Arg(1)),
                                  static_cast<std::int32_t>(call.Arg(2)),
                                  static_cast<std::int32_t>(call.Arg(3)))
             ? 1
             : 0;
}

std::uint64_t GetWindowLongA(ImportCall& call) {
  if (static_cast<std::int32_t>(call.Arg(1)) != kDialogUserData) {
    throw GuestError("reads window field " + std::to_string(static_cast<std::int32_t>(call.Arg(1))) +
                     ", of which the model keeps only the dialog's user data");
  }
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(platform::DialogData(Window(call.Arg(0)))));
}

std::uint64_t SetWindowLongA(ImportCall& call) {
  if (static_cast<std::int32_t>(call.Arg(1)) != kDialogUserData) {
    throw GuestError("writes window field " + std::to_string(static_cast<std::int32_t>(call.Arg(1))) +
                     ", of which the model keeps only the dialog's user data");
  }
  const platform::WindowHandle window = Window(call.Arg(0));
  const auto old = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(platform::DialogData(window)));
  platform::SetDialogData(window, reinterpret_cast<void*>(static_cast<std::uintptr_t>(call.Arg(2))));
  return old;
}

// The machines show information boxes only: text, title, one OK button; what
// control characters they hold are shown, not obeyed (the text's line ends aside).
std::uint64_t MessageBoxA(ImportCall& call) {
  const std::string text = call.Arg(1) == 0 ? std::string() : Escaped(Memory(call).ReadString(call.Arg(1)), "\n\t");
  const std::string title = call.Arg(2) == 0 ? std::string("Error") : Escaped(Memory(call).ReadString(call.Arg(2)));
  return static_cast<std::uint32_t>(platform::ShowInformationBox(title.c_str(), text.c_str()));
}

}  // namespace user32
}  // namespace varnok::host::pe32
