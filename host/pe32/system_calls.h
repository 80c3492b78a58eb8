// The handlers behind the system import table, one group per system DLL.
#pragma once

#include "host/pe32/guest_process.h"
#include "host/pe32/system_imports.h"

namespace varnok::host::pe32 {

// Windows' error codes that the handlers set.
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorNotEnoughMemory = 8;
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorModuleNotFound = 126;
inline constexpr std::uint32_t kErrorProcedureNotFound = 127;
inline constexpr std::uint32_t kErrorAlreadyExists = 183;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;

void SetLastError(GuestProcess& process, std::uint32_t code);
std::uint32_t LastError(GuestProcess& process);
// The object behind `handle`, or null.
KernelObject* FindObject(GuestProcess& process, std::uint32_t handle);

#define VARNOK_IMPORT(name) std::uint64_t name(ImportCall& call)

namespace kernel32 {
VARNOK_IMPORT(CloseHandle);
VARNOK_IMPORT(CreateFileMappingA);
VARNOK_IMPORT(CreateSemaphoreW);
VARNOK_IMPORT(DeleteCriticalSection);
VARNOK_IMPORT(EnterCriticalSection);
VARNOK_IMPORT(FreeLibrary);
VARNOK_IMPORT(GetCurrentThreadId);
VARNOK_IMPORT(GetLastError);
VARNOK_IMPORT(GetModuleHandleA);
VARNOK_IMPORT(GetModuleHandleW);
VARNOK_IMPORT(GetProcAddress);
VARNOK_IMPORT(InitializeCriticalSection);
VARNOK_IMPORT(IsDBCSLeadByteEx);
VARNOK_IMPORT(LeaveCriticalSection);
VARNOK_IMPORT(LoadLibraryA);
VARNOK_IMPORT(MapViewOfFile);
VARNOK_IMPORT(MultiByteToWideChar);
VARNOK_IMPORT(OpenFileMappingA);
VARNOK_IMPORT(ReleaseSemaphore);
VARNOK_IMPORT(SetLastError);
VARNOK_IMPORT(Sleep);
VARNOK_IMPORT(TlsAlloc);
VARNOK_IMPORT(TlsFree);
VARNOK_IMPORT(TlsGetValue);
VARNOK_IMPORT(TlsSetValue);
VARNOK_IMPORT(UnmapViewOfFile);
VARNOK_IMPORT(VirtualProtect);
VARNOK_IMPORT(VirtualQuery);
VARNOK_IMPORT(WaitForSingleObject);
VARNOK_IMPORT(WideCharToMultiByte);
}  // namespace kernel32

namespace msvcrt {
GuestAddress MbCurMax(GuestProcess& process);
GuestAddress Streams(GuestProcess& process);
VARNOK_IMPORT(SetUserMathErr);
VARNOK_IMPORT(AmsgExit);
VARNOK_IMPORT(Errno);
VARNOK_IMPORT(Control87);
VARNOK_IMPORT(Initterm);
VARNOK_IMPORT(Lock);
VARNOK_IMPORT(Unlock);
VARNOK_IMPORT(Abort);
VARNOK_IMPORT(Atoi);
VARNOK_IMPORT(Calloc);
VARNOK_IMPORT(Fputc);
VARNOK_IMPORT(Fputs);
VARNOK_IMPORT(Free);
VARNOK_IMPORT(Fwrite);
VARNOK_IMPORT(Getenv);
VARNOK_IMPORT(Localeconv);
VARNOK_IMPORT(Malloc);
VARNOK_IMPORT(Memcpy);
VARNOK_IMPORT(Memmove);
VARNOK_IMPORT(Memset);
VARNOK_IMPORT(Realloc);
VARNOK_IMPORT(Setlocale);
VARNOK_IMPORT(Strchr);
VARNOK_IMPORT(Strcmp);
VARNOK_IMPORT(Strerror);
VARNOK_IMPORT(Strlen);
VARNOK_IMPORT(Strncmp);
VARNOK_IMPORT(Vfprintf);
VARNOK_IMPORT(Wcslen);
}  // namespace msvcrt

namespace user32 {
VARNOK_IMPORT(CheckMenuRadioItem);
VARNOK_IMPORT(CreateDialogParamA);
VARNOK_IMPORT(DestroyWindow);
VARNOK_IMPORT(GetDlgItem);
VARNOK_IMPORT(GetMenu);
VARNOK_IMPORT(GetWindowLongA);
VARNOK_IMPORT(MessageBoxA);
VARNOK_IMPORT(PostMessageA);
VARNOK_IMPORT(SetWindowLongA);
VARNOK_IMPORT(SetWindowTextA);
VARNOK_IMPORT(ShowWindow);
}  // namespace user32

#undef VARNOK_IMPORT

}  // namespace varnok::host::pe32
