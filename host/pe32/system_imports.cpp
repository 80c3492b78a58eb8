#include "host/pe32/system_imports.h"

#include <algorithm>
#include <cstring>

#include "host/core/ascii_case.h"
#include "host/pe32/system_calls.h"

namespace varnok::host::pe32 {
namespace {

constexpr Convention kC = Convention::kCdecl;
constexpr Convention kStd = Convention::kStdcall;

// Every function and variable that the plug-ins, their C and C++ runtimes and
// the host's dsplib import from the system, and nothing else: an import that
// is not here stops the load. A wait that no other thread could end stops
// the call with a message instead.
const SystemImport kSystemImports[] = {
    {"kernel32.dll", "CloseHandle", kStd, 1, kernel32::CloseHandle, nullptr},
    {"kernel32.dll", "CreateFileMappingA", kStd, 6, kernel32::CreateFileMappingA, nullptr},
    {"kernel32.dll", "CreateSemaphoreW", kStd, 4, kernel32::CreateSemaphoreW, nullptr},
    {"kernel32.dll", "DeleteCriticalSection", kStd, 1, kernel32::DeleteCriticalSection, nullptr},
    {"kernel32.dll", "EnterCriticalSection", kStd, 1, kernel32::EnterCriticalSection, nullptr},
    {"kernel32.dll", "FreeLibrary", kStd, 1, kernel32::FreeLibrary, nullptr},
    {"kernel32.dll", "GetCurrentThreadId", kStd, 0, kernel32::GetCurrentThreadId, nullptr},
    {"kernel32.dll", "GetLastError", kStd, 0, kernel32::GetLastError, nullptr},
    {"kernel32.dll", "GetModuleHandleA", kStd, 1, kernel32::GetModuleHandleA, nullptr},
    {"kernel32.dll", "GetModuleHandleW", kStd, 1, kernel32::GetModuleHandleW, nullptr},
    {"kernel32.dll", "GetProcAddress", kStd, 2, kernel32::GetProcAddress, nullptr},
    {"kernel32.dll", "InitializeCriticalSection", kStd, 1, kernel32::InitializeCriticalSection, nullptr},
    {"kernel32.dll", "IsDBCSLeadByteEx", kStd, 2, kernel32::IsDBCSLeadByteEx, nullptr},
    {"kernel32.dll", "LeaveCriticalSection", kStd, 1, kernel32::LeaveCriticalSection, nullptr},
    {"kernel32.dll", "LoadLibraryA", kStd, 1, kernel32::LoadLibraryA, nullptr},
    {"kernel32.dll", "MapViewOfFile", kStd, 5, kernel32::MapViewOfFile, nullptr},
    {"kernel32.dll", "MultiByteToWideChar", kStd, 6, kernel32::MultiByteToWideChar, nullptr},
    {"kernel32.dll", "OpenFileMappingA", kStd, 3, kernel32::OpenFileMappingA, nullptr},
    {"kernel32.dll", "ReleaseSemaphore", kStd, 3, kernel32::ReleaseSemaphore, nullptr},
    {"kernel32.dll", "SetLastError", kStd, 1, kernel32::SetLastError, nullptr},
    {"kernel32.dll", "Sleep", kStd, 1, kernel32::Sleep, nullptr},
    {"kernel32.dll", "TlsAlloc", kStd, 0, kernel32::TlsAlloc, nullptr},
    {"kernel32.dll", "TlsFree", kStd, 1, kernel32::TlsFree, nullptr},
    {"kernel32.dll", "TlsGetValue", kStd, 1, kernel32::TlsGetValue, nullptr},
    {"kernel32.dll", "TlsSetValue", kStd, 2, kernel32::TlsSetValue, nullptr},
    {"kernel32.dll", "UnmapViewOfFile", kStd, 1, kernel32::UnmapViewOfFile, nullptr},
    {"kernel32.dll", "VirtualProtect", kStd, 4, kernel32::VirtualProtect, nullptr},
    {"kernel32.dll", "VirtualQuery", kStd, 3, kernel32::VirtualQuery, nullptr},
    {"kernel32.dll", "WaitForSingleObject", kStd, 2, kernel32::WaitForSingleObject, nullptr},
    {"kernel32.dll", "WideCharToMultiByte", kStd, 8, kernel32::WideCharToMultiByte, nullptr},

    {"msvcrt.dll", "__mb_cur_max", kC, 0, nullptr, msvcrt::MbCurMax},
    {"msvcrt.dll", "__setusermatherr", kC, 1, msvcrt::SetUserMathErr, nullptr},
    {"msvcrt.dll", "_amsg_exit", kC, 1, msvcrt::AmsgExit, nullptr},
    {"msvcrt.dll", "_control87", kC, 2, msvcrt::Control87, nullptr},
    {"msvcrt.dll", "_errno", kC, 0, msvcrt::Errno, nullptr},
    {"msvcrt.dll", "_initterm", kC, 2, msvcrt::Initterm, nullptr},
    {"msvcrt.dll", "_iob", kC, 0, nullptr, msvcrt::Streams},
    {"msvcrt.dll", "_lock", kC, 1, msvcrt::Lock, nullptr},
    {"msvcrt.dll", "_unlock", kC, 1, msvcrt::Unlock, nullptr},
    {"msvcrt.dll", "abort", kC, 0, msvcrt::Abort, nullptr},
    {"msvcrt.dll", "atoi", kC, 1, msvcrt::Atoi, nullptr},
    {"msvcrt.dll", "calloc", kC, 2, msvcrt::Calloc, nullptr},
    {"msvcrt.dll", "fputc", kC, 2, msvcrt::Fputc, nullptr},
    {"msvcrt.dll", "fputs", kC, 2, msvcrt::Fputs, nullptr},
    {"msvcrt.dll", "free", kC, 1, msvcrt::Free, nullptr},
    {"msvcrt.dll", "fwrite", kC, 4, msvcrt::Fwrite, nullptr},
    {"msvcrt.dll", "getenv", kC, 1, msvcrt::Getenv, nullptr},
    {"msvcrt.dll", "localeconv", kC, 0, msvcrt::Localeconv, nullptr},
    {"msvcrt.dll", "malloc", kC, 1, msvcrt::Malloc, nullptr},
    {"msvcrt.dll", "memcpy", kC, 3, msvcrt::Memcpy, nullptr},
    {"msvcrt.dll", "memmove", kC, 3, msvcrt::Memmove, nullptr},
    {"msvcrt.dll", "memset", kC, 3, msvcrt::Memset, nullptr},
    {"msvcrt.dll", "realloc", kC, 2, msvcrt::Realloc, nullptr},
    {"msvcrt.dll", "setlocale", kC, 2, msvcrt::Setlocale, nullptr},
    {"msvcrt.dll", "strchr", kC, 2, msvcrt::Strchr, nullptr},
    {"msvcrt.dll", "strcmp", kC, 2, msvcrt::Strcmp, nullptr},
    {"msvcrt.dll", "strerror", kC, 1, msvcrt::Strerror, nullptr},
    {"msvcrt.dll", "strlen", kC, 1, msvcrt::Strlen, nullptr},
    {"msvcrt.dll", "strncmp", kC, 3, msvcrt::Strncmp, nullptr},
    {"msvcrt.dll", "vfprintf", kC, 3, msvcrt::Vfprintf, nullptr},
    {"msvcrt.dll", "wcslen", kC, 1, msvcrt::Wcslen, nullptr},

    {"user32.dll", "CheckMenuRadioItem", kStd, 5, user32::CheckMenuRadioItem, nullptr},
    {"user32.dll", "CreateDialogParamA", kStd, 5, user32::CreateDialogParamA, nullptr},
    {"user32.dll", "DestroyWindow", kStd, 1, user32::DestroyWindow, nullptr},
    {"user32.dll", "GetDlgItem", kStd, 2, user32::GetDlgItem, nullptr},
    {"user32.dll", "GetMenu", kStd, 1, user32::GetMenu, nullptr},
    {"user32.dll", "GetWindowLongA", kStd, 2, user32::GetWindowLongA, nullptr},
    {"user32.dll", "MessageBoxA", kStd, 4, user32::MessageBoxA, nullptr},
    {"user32.dll", "PostMessageA", kStd, 4, user32::PostMessageA, nullptr},
    {"user32.dll", "SetWindowLongA", kStd, 3, user32::SetWindowLongA, nullptr},
    {"user32.dll", "SetWindowTextA", kStd, 2, user32::SetWindowTextA, nullptr},
    {"user32.dll", "ShowWindow", kStd, 2, user32::ShowWindow, nullptr},
};

}  // namespace

bool IsSystemDll(const std::string& dll) {
  const std::string name = Lower(dll);
  return name == "kernel32.dll" || name == "msvcrt.dll" || name == "user32.dll";
}

const SystemImport* FindSystemImport(const std::string& dll, const std::string& name) {
  const std::string wanted = Lower(dll);
  for (const SystemImport& import : kSystemImports) {
    if (wanted == import.dll && name == import.name) return &import;
  }
  return nullptr;
}

GuestAddress ImportEntry(GuestProcess& process, const SystemImport& import) {
  auto& entries = process.System().entries;
  const auto found = entries.find(&import);
  if (found != entries.end()) return found->second;
  const auto pops = static_cast<std::uint16_t>(import.convention == Convention::kCdecl ? 0 : 4 * import.arguments);
  const ImportFunction function = import.function;
  const GuestAddress entry = process.Cpu().AddEntry(
      std::string(import.dll) + "!" + import.name, pops, [&process, function](EntryCall& call) {
        ImportCall import_call(process, call);
        return function(import_call);
      });
  entries.emplace(&import, entry);
  return entry;
}

}  // namespace varnok::host::pe32
