#include "host/pe32/system_imports.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "host/pe32/system_calls.h"

namespace varnok::host::pe32 {
namespace {

constexpr Convention kC = Convention::kCdecl;
constexpr Convention kStd = Convention::kStdcall;

// Every function and variable that the plug-ins, their C and C++ runtimes and
// the host's dsplib import from the system, and nothing else: an import that
// is not here stops the load. Calls that would need a second thread or
// another process stop the call with a message instead.
const SystemImport kSystemImports[] = {
    {"kernel32.dll", "AddVectoredExceptionHandler", kStd, 2, kernel32::AddVectoredExceptionHandler, nullptr},
    {"kernel32.dll", "CloseHandle", kStd, 1, kernel32::CloseHandle, nullptr},
    {"kernel32.dll", "CreateEventA", kStd, 4, kernel32::CreateEventA, nullptr},
    {"kernel32.dll", "CreateFileMappingA", kStd, 6, kernel32::CreateFileMappingA, nullptr},
    {"kernel32.dll", "CreateSemaphoreW", kStd, 4, kernel32::CreateSemaphoreW, nullptr},
    {"kernel32.dll", "DeleteCriticalSection", kStd, 1, kernel32::DeleteCriticalSection, nullptr},
    {"kernel32.dll", "DuplicateHandle", kStd, 7, kernel32::DuplicateHandle, nullptr},
    {"kernel32.dll", "EnterCriticalSection", kStd, 1, kernel32::EnterCriticalSection, nullptr},
    {"kernel32.dll", "FormatMessageA", kStd, 7, kernel32::FormatMessageA, nullptr},
    {"kernel32.dll", "FreeLibrary", kStd, 1, kernel32::FreeLibrary, nullptr},
    {"kernel32.dll", "GetCurrentProcess", kStd, 0, kernel32::GetCurrentProcess, nullptr},
    {"kernel32.dll", "GetCurrentProcessId", kStd, 0, kernel32::GetCurrentProcessId, nullptr},
    {"kernel32.dll", "GetCurrentThread", kStd, 0, kernel32::GetCurrentThread, nullptr},
    {"kernel32.dll", "GetCurrentThreadId", kStd, 0, kernel32::GetCurrentThreadId, nullptr},
    {"kernel32.dll", "GetHandleInformation", kStd, 2, kernel32::GetHandleInformation, nullptr},
    {"kernel32.dll", "GetLastError", kStd, 0, kernel32::GetLastError, nullptr},
    {"kernel32.dll", "GetModuleHandleA", kStd, 1, kernel32::GetModuleHandleA, nullptr},
    {"kernel32.dll", "GetModuleHandleW", kStd, 1, kernel32::GetModuleHandleW, nullptr},
    {"kernel32.dll", "GetProcAddress", kStd, 2, kernel32::GetProcAddress, nullptr},
    {"kernel32.dll", "GetProcessAffinityMask", kStd, 3, kernel32::GetProcessAffinityMask, nullptr},
    {"kernel32.dll", "GetSystemTimeAsFileTime", kStd, 1, kernel32::GetSystemTimeAsFileTime, nullptr},
    {"kernel32.dll", "GetThreadContext", kStd, 2, kernel32::ThreadControlRefused, nullptr},
    {"kernel32.dll", "GetThreadPriority", kStd, 1, kernel32::GetThreadPriority, nullptr},
    {"kernel32.dll", "GetTickCount64", kStd, 0, kernel32::GetTickCount64, nullptr},
    {"kernel32.dll", "InitializeCriticalSection", kStd, 1, kernel32::InitializeCriticalSection, nullptr},
    {"kernel32.dll", "IsDBCSLeadByteEx", kStd, 2, kernel32::IsDBCSLeadByteEx, nullptr},
    {"kernel32.dll", "IsDebuggerPresent", kStd, 0, kernel32::IsDebuggerPresent, nullptr},
    {"kernel32.dll", "LeaveCriticalSection", kStd, 1, kernel32::LeaveCriticalSection, nullptr},
    {"kernel32.dll", "LoadLibraryA", kStd, 1, kernel32::LoadLibraryA, nullptr},
    {"kernel32.dll", "LoadLibraryW", kStd, 1, kernel32::LoadLibraryW, nullptr},
    {"kernel32.dll", "LocalFree", kStd, 1, kernel32::LocalFree, nullptr},
    {"kernel32.dll", "MapViewOfFile", kStd, 5, kernel32::MapViewOfFile, nullptr},
    {"kernel32.dll", "MultiByteToWideChar", kStd, 6, kernel32::MultiByteToWideChar, nullptr},
    {"kernel32.dll", "OpenFileMappingA", kStd, 3, kernel32::OpenFileMappingA, nullptr},
    {"kernel32.dll", "OpenProcess", kStd, 3, kernel32::ThreadControlRefused, nullptr},
    {"kernel32.dll", "OutputDebugStringA", kStd, 1, kernel32::OutputDebugStringA, nullptr},
    {"kernel32.dll", "RaiseException", kStd, 4, kernel32::RaiseException, nullptr},
    {"kernel32.dll", "ReleaseSemaphore", kStd, 3, kernel32::ReleaseSemaphore, nullptr},
    {"kernel32.dll", "RemoveVectoredExceptionHandler", kStd, 1, kernel32::RemoveVectoredExceptionHandler, nullptr},
    {"kernel32.dll", "ResetEvent", kStd, 1, kernel32::ResetEvent, nullptr},
    {"kernel32.dll", "ResumeThread", kStd, 1, kernel32::ThreadControlRefused, nullptr},
    {"kernel32.dll", "SetEvent", kStd, 1, kernel32::SetEvent, nullptr},
    {"kernel32.dll", "SetLastError", kStd, 1, kernel32::SetLastError, nullptr},
    {"kernel32.dll", "SetProcessAffinityMask", kStd, 2, kernel32::SetProcessAffinityMask, nullptr},
    {"kernel32.dll", "SetThreadContext", kStd, 2, kernel32::ThreadControlRefused, nullptr},
    {"kernel32.dll", "SetThreadPriority", kStd, 2, kernel32::SetThreadPriority, nullptr},
    {"kernel32.dll", "Sleep", kStd, 1, kernel32::Sleep, nullptr},
    {"kernel32.dll", "SuspendThread", kStd, 1, kernel32::ThreadControlRefused, nullptr},
    {"kernel32.dll", "TlsAlloc", kStd, 0, kernel32::TlsAlloc, nullptr},
    {"kernel32.dll", "TlsFree", kStd, 1, kernel32::TlsFree, nullptr},
    {"kernel32.dll", "TlsGetValue", kStd, 1, kernel32::TlsGetValue, nullptr},
    {"kernel32.dll", "TlsSetValue", kStd, 2, kernel32::TlsSetValue, nullptr},
    {"kernel32.dll", "TryEnterCriticalSection", kStd, 1, kernel32::TryEnterCriticalSection, nullptr},
    {"kernel32.dll", "UnmapViewOfFile", kStd, 1, kernel32::UnmapViewOfFile, nullptr},
    {"kernel32.dll", "VirtualProtect", kStd, 4, kernel32::VirtualProtect, nullptr},
    {"kernel32.dll", "VirtualQuery", kStd, 3, kernel32::VirtualQuery, nullptr},
    {"kernel32.dll", "WaitForMultipleObjects", kStd, 4, kernel32::WaitForMultipleObjects, nullptr},
    {"kernel32.dll", "WaitForSingleObject", kStd, 2, kernel32::WaitForSingleObject, nullptr},
    {"kernel32.dll", "WideCharToMultiByte", kStd, 8, kernel32::WideCharToMultiByte, nullptr},

    {"msvcrt.dll", "__mb_cur_max", kC, 0, nullptr, msvcrt::MbCurMax},
    {"msvcrt.dll", "__setusermatherr", kC, 1, msvcrt::SetUserMathErr, nullptr},
    {"msvcrt.dll", "_amsg_exit", kC, 1, msvcrt::AmsgExit, nullptr},
    {"msvcrt.dll", "_beginthreadex", kC, 6, msvcrt::ThreadStartRefused, nullptr},
    {"msvcrt.dll", "_close", kC, 1, msvcrt::Close, nullptr},
    {"msvcrt.dll", "_control87", kC, 2, msvcrt::Control87, nullptr},
    {"msvcrt.dll", "_endthreadex", kC, 1, msvcrt::ThreadStartRefused, nullptr},
    {"msvcrt.dll", "_errno", kC, 0, msvcrt::Errno, nullptr},
    {"msvcrt.dll", "_initterm", kC, 2, msvcrt::Initterm, nullptr},
    {"msvcrt.dll", "_iob", kC, 0, nullptr, msvcrt::Streams},
    {"msvcrt.dll", "_lock", kC, 1, msvcrt::Lock, nullptr},
    {"msvcrt.dll", "_read", kC, 3, msvcrt::Read, nullptr},
    {"msvcrt.dll", "_setjmp3", kC, 2, msvcrt::SetJmp3, nullptr},
    {"msvcrt.dll", "_strdup", kC, 1, msvcrt::Strdup, nullptr},
    {"msvcrt.dll", "_ultoa", kC, 3, msvcrt::Ultoa, nullptr},
    {"msvcrt.dll", "_unlock", kC, 1, msvcrt::Unlock, nullptr},
    {"msvcrt.dll", "abort", kC, 0, msvcrt::Abort, nullptr},
    {"msvcrt.dll", "atoi", kC, 1, msvcrt::Atoi, nullptr},
    {"msvcrt.dll", "calloc", kC, 2, msvcrt::Calloc, nullptr},
    {"msvcrt.dll", "exit", kC, 1, msvcrt::Exit, nullptr},
    {"msvcrt.dll", "fprintf", kC, 2, msvcrt::Fprintf, nullptr},
    {"msvcrt.dll", "fputc", kC, 2, msvcrt::Fputc, nullptr},
    {"msvcrt.dll", "fputs", kC, 2, msvcrt::Fputs, nullptr},
    {"msvcrt.dll", "free", kC, 1, msvcrt::Free, nullptr},
    {"msvcrt.dll", "fwrite", kC, 4, msvcrt::Fwrite, nullptr},
    {"msvcrt.dll", "getenv", kC, 1, msvcrt::Getenv, nullptr},
    {"msvcrt.dll", "localeconv", kC, 0, msvcrt::Localeconv, nullptr},
    {"msvcrt.dll", "longjmp", kC, 2, msvcrt::LongJmp, nullptr},
    {"msvcrt.dll", "malloc", kC, 1, msvcrt::Malloc, nullptr},
    {"msvcrt.dll", "memchr", kC, 3, msvcrt::Memchr, nullptr},
    {"msvcrt.dll", "memcmp", kC, 3, msvcrt::Memcmp, nullptr},
    {"msvcrt.dll", "memcpy", kC, 3, msvcrt::Memcpy, nullptr},
    {"msvcrt.dll", "memmove", kC, 3, msvcrt::Memmove, nullptr},
    {"msvcrt.dll", "memset", kC, 3, msvcrt::Memset, nullptr},
    {"msvcrt.dll", "printf", kC, 1, msvcrt::Printf, nullptr},
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

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

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
