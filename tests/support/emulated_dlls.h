// Where the 32-bit Windows DLLs are for tests that run them in the emulator.
// Such a test skips when they have not been built, unless VARNOK_REQUIRE_DLLS
// is set (the emulator stage of scripts/test), where their absence fails it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace varnok::testing {

inline bool DllsRequired() { return std::getenv("VARNOK_REQUIRE_DLLS") != nullptr; }

// Under ThreadSanitizer the emulator runs too slowly for the checks' time-outs,
// and its code is not instrumented anyway.
#if defined(__SANITIZE_THREAD__)
inline constexpr bool kEmulatorTooSlow = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
inline constexpr bool kEmulatorTooSlow = true;
#else
inline constexpr bool kEmulatorTooSlow = false;
#endif
#else
inline constexpr bool kEmulatorTooSlow = false;
#endif

inline bool Present(const std::string& path) { return static_cast<bool>(std::ifstream(path)); }

}  // namespace varnok::testing

// Skips (or fails, where the DLLs are required) when `path` is absent.
#define VARNOK_NEED_DLL(path)                                                    \
  do {                                                                          \
    if (::varnok::testing::kEmulatorTooSlow) GTEST_SKIP() << "not under ThreadSanitizer"; \
    if (!::varnok::testing::Present(path)) {                                    \
      if (::varnok::testing::DllsRequired()) FAIL() << (path) << " is missing"; \
      GTEST_SKIP() << (path) << " not built (preset mingw32)";                  \
    }                                                                           \
  } while (0)
