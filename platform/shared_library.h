// Loading a plug-in library by file name, for the stand-in host.
#pragma once

#include <string>
#include <vector>

namespace varnok::platform {

class SharedLibrary {
 public:
  SharedLibrary() = default;
  ~SharedLibrary();
  SharedLibrary(SharedLibrary&& other) noexcept;
  SharedLibrary& operator=(SharedLibrary&& other) noexcept;
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // Loads `path`; libraries it imports are looked up beside it first.
  // On failure returns an empty library and sets `error` to the system's reason.
  static SharedLibrary Open(const std::string& path, std::string& error);

  bool IsOpen() const { return handle_ != nullptr; }
  // Address of an exported symbol, or null.
  void* Find(const char* symbol) const;

 private:
  explicit SharedLibrary(void* handle) : handle_(handle) {}
  void* handle_ = nullptr;
};

// The files of every library the process has loaded, the program's own
// included where the system says; empty where the system keeps loaded files
// from being written anyway (Windows).
std::vector<std::string> LoadedLibraryFiles();

}  // namespace varnok::platform
