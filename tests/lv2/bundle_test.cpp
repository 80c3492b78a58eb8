// Each bundle holds its manifest, its description and one library that needs
// nothing but the system's C and C++ libraries; `cmake --install` puts the
// bundles in lib/lv2 and machine-host where it finds its machines by name.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "child_process.h"
#include "lv2/plugin_uris.h"

namespace varnok::lv2::testing {
namespace {

namespace fs = std::filesystem;

const char* const kNames[] = {"varnok-analyzer", "varnok-chip", "varnok-pulse"};
const char* const kUris[] = {kAnalyzerUri, kChipUri, kPulseUri};

std::set<std::string> FilesIn(const fs::path& folder) {
  std::set<std::string> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) files.insert(entry.path().filename().string());
  return files;
}

// The words after `marker` on each line of `text` that holds it.
std::set<std::string> Column(const std::string& text, const std::string& marker, std::size_t skip = 0) {
  std::set<std::string> words;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t at = line.find(marker);
    if (at == std::string::npos) continue;
    std::string word = line.substr(at + marker.size() + skip);
    word = word.substr(0, word.find_first_of("] "));
    words.insert(word);
  }
  return words;
}

// The sanitizer builds add their runtimes; nothing else may come from outside.
bool SystemLibrary(const std::string& name) {
  for (const char* allowed : {"libc.so", "libm.so", "libgcc_s.so", "libstdc++.so", "libasan.so", "libubsan.so", "libtsan.so"}) {
    if (name.rfind(allowed, 0) == 0) return true;
  }
  return false;
}

TEST(Bundles, HoldTheirThreeFilesAndNeedNothingOutside) {
  EXPECT_EQ(FilesIn(VARNOK_LV2_DIR), (std::set<std::string>{"varnok-analyzer.lv2", "varnok-chip.lv2", "varnok-pulse.lv2"}));
  for (const char* name : kNames) {
    SCOPED_TRACE(name);
    const fs::path folder = fs::path(VARNOK_LV2_DIR) / (std::string(name) + ".lv2");
    const std::string library = (folder / (std::string(name) + ".so")).string();
    EXPECT_EQ(FilesIn(folder), (std::set<std::string>{"manifest.ttl", std::string(name) + ".ttl", std::string(name) + ".so"}));
    const Finished dynamic = RunToEnd("readelf -d '" + library + "'");
    ASSERT_EQ(dynamic.exit_code, 0) << dynamic.output;
    for (const std::string& needed : Column(dynamic.output, "Shared library: [")) {
      EXPECT_TRUE(SystemLibrary(needed)) << needed;
    }
    EXPECT_EQ(dynamic.output.find("RPATH"), std::string::npos);
    EXPECT_EQ(dynamic.output.find("RUNPATH"), std::string::npos);
    const Finished symbols = RunToEnd("nm -D --defined-only --format=just-symbols '" + library + "'");
    EXPECT_EQ(symbols.output, "lv2_descriptor\n");
  }
}

TEST(Bundles, InstallInLibLv2BesideMachineHostAndTheMachinesItFinds) {
  const fs::path prefix = fs::path(::testing::TempDir()) / "lv2_install";
  fs::remove_all(prefix);
  const Finished installed = RunToEnd(std::string("'") + VARNOK_CMAKE + "' --install '" + VARNOK_BUILD_DIR + "' --prefix '" +
                                      prefix.string() + "'");
  ASSERT_EQ(installed.exit_code, 0) << installed.output;
  for (const char* name : kNames) {
    EXPECT_EQ(FilesIn(prefix / "lib/lv2" / (std::string(name) + ".lv2")).size(), 3u) << name;
  }
  for (const char* uri : kUris) {
    const Finished info = RunToEnd("LV2_PATH='" + (prefix / "lib/lv2").string() + "' lv2info " + uri);
    EXPECT_EQ(info.exit_code, 0) << info.output;
  }
  const Finished host = RunToEnd("'" + (prefix / "bin/machine-host").string() + "' info \"Varnok's Pulse\"");
  EXPECT_EQ(host.exit_code, 0) << host.output;
  EXPECT_EQ(host.output.rfind("Varnok's Test Generator (Test Gen)", 0), 0u) << host.output;
  fs::remove_all(prefix);
}

}  // namespace
}  // namespace varnok::lv2::testing
