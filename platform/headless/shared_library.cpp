#include "platform/shared_library.h"

#include <dlfcn.h>
#include <link.h>

#include <utility>

namespace varnok::platform {

SharedLibrary::~SharedLibrary() {
  if (handle_ != nullptr) dlclose(handle_);
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
  if (this != &other) {
    if (handle_ != nullptr) dlclose(handle_);
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

SharedLibrary SharedLibrary::Open(const std::string& path, std::string& error) {
  // dlopen searches the library path for bare names; a plug-in is a file.
  const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? reason : "unknown loader error";
  }
  return SharedLibrary(handle);
}

std::vector<std::string> LoadedLibraryFiles() {
  std::vector<std::string> files;
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* into) {
        if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0') {
          static_cast<std::vector<std::string>*>(into)->push_back(info->dlpi_name);
        }
        return 0;
      },
      &files);
  return files;
}

void* SharedLibrary::Find(const char* symbol) const {
  return handle_ != nullptr ? dlsym(handle_, symbol) : nullptr;
}

}  // namespace varnok::platform
