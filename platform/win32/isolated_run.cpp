#include "platform/isolated_run.h"

#include <windows.h>

#include <cstdio>

namespace varnok::platform {
namespace {

// Quotes one argument the way the C runtime splits a command line.
std::string Quote(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(backslashes * 2, '\\');
  quoted.push_back('"');
  return quoted;
}

std::string ExceptionName(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION: return "access violation";
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED: return "array bounds exceeded";
    case EXCEPTION_INT_DIVIDE_BY_ZERO: return "integer division by zero";
    case EXCEPTION_ILLEGAL_INSTRUCTION: return "illegal instruction";
    case EXCEPTION_STACK_OVERFLOW: return "stack overflow";
    case EXCEPTION_IN_PAGE_ERROR: return "in-page error";
    default: {
      char text[32];
      std::snprintf(text, sizeof text, "exception 0x%08lX", static_cast<unsigned long>(code));
      return text;
    }
  }
}

void Drain(HANDLE pipe, std::string& report) {
  DWORD available = 0;
  while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
    char chunk[4096];
    DWORD got = 0;
    if (!ReadFile(pipe, chunk, sizeof chunk, &got, nullptr) || got == 0) return;
    report.append(chunk, got);
  }
}

}  // namespace

std::string ThisProgram() {
  char executable[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, executable, MAX_PATH);
  return length == 0 || length == MAX_PATH ? std::string() : std::string(executable, length);
}

IsolatedRun RunIsolated(const IsolatedTask& task, double timeout_seconds) {
  IsolatedRun run;
  std::string command_line = Quote(task.program);
  for (const std::string& argument : task.arguments) command_line += " " + Quote(argument);

  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) {
    run.reason = "cannot create a pipe";
    return run;
  }
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = write_end;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  // No crash dialog may wait for a click: the child inherits this error mode.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  std::fflush(stdout);
  std::fflush(stderr);
  const BOOL started = CreateProcessA(task.program.c_str(), &command_line[0], nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
  CloseHandle(write_end);
  if (!started) {
    CloseHandle(read_end);
    run.reason = "cannot start " + task.program;
    return run;
  }

  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout_seconds * 1000);
  bool finished = false;
  while (!finished) {
    Drain(read_end, run.report);
    finished = WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0;
    if (!finished && GetTickCount64() >= deadline) break;
  }
  if (!finished) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
    run.ending = IsolatedRun::Ending::kTimedOut;
  } else {
    Drain(read_end, run.report);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    // Exit codes with the two top bits set are exception codes: the child crashed.
    if ((code & 0xC0000000u) == 0xC0000000u) {
      run.ending = IsolatedRun::Ending::kCrashed;
      run.reason = ExceptionName(code);
    } else {
      run.ending = IsolatedRun::Ending::kExited;
      run.exit_code = static_cast<int>(code);
    }
  }
  CloseHandle(read_end);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}

}  // namespace varnok::platform
