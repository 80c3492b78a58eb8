// A system library that only some commands need (JACK, libsndfile), opened by
// the first call into it instead of by the loader at start-up: the commands
// that never call it start without paying for it and its own libraries.
#pragma once

#include <dlfcn.h>

#include <mutex>
#include <string>

namespace varnok::host {

// `Functions` holds a pointer per function of the library, and a
// `bool Bind(void* library)` that sets every one of them (the two macros below
// write both from one list).
template <class Functions>
class SystemLibrary {
 public:
  explicit constexpr SystemLibrary(const char* file) : file_(file) {}

  // [ui] Opens the library on the first call. False, with Missing() saying
  // why, when it is not installed or lacks a function.
  bool Open() {
    std::call_once(once_, [this] {
      void* library = dlopen(file_, RTLD_NOW | RTLD_LOCAL);
      if (library == nullptr) {
        const char* error = dlerror();
        missing_ = error != nullptr ? error : file_;
      } else if (!functions_.Bind(library)) {
        missing_ = std::string(file_) + " lacks a function this program calls";
      } else {
        open_ = true;
      }
    });
    return open_;
  }
  const std::string& Missing() const { return missing_; }
  // [any thread] The functions, the library opened first if need be: code
  // that links the library itself (a test) may call before the host does.
  // Once open, this waits for nothing.
  const Functions& Call() {
    Open();
    return functions_;
  }

 private:
  const char* file_;
  std::once_flag once_;
  bool open_ = false;
  std::string missing_;
  Functions functions_{};
};

// For a list macro LIST(X) naming the library's functions:
// VARNOK_FUNCTION_POINTERS(LIST) declares a member per function, and
// VARNOK_BIND_FUNCTIONS(LIST) the Bind that looks each one up.
#define VARNOK_FUNCTION_POINTER(name) decltype(&::name) name = nullptr;
#define VARNOK_FUNCTION_POINTERS(LIST) LIST(VARNOK_FUNCTION_POINTER)
#define VARNOK_FIND_FUNCTION(name) \
  found = (name = reinterpret_cast<decltype(&::name)>(dlsym(library, #name))) != nullptr && found;
#define VARNOK_BIND_FUNCTIONS(LIST) \
  bool Bind(void* library) {        \
    bool found = true;              \
    LIST(VARNOK_FIND_FUNCTION)      \
    return found;                   \
  }

}  // namespace varnok::host
