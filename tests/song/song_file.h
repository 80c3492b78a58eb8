// A song written to a fresh folder of its own, for tests that read files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace varnok::host::testing {

class SongFolder {
 public:
  SongFolder() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("varnok-song-" + std::string(test->test_suite_name()) + "-" + test->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~SongFolder() { std::filesystem::remove_all(path_); }

  std::string Write(const std::string& name, const std::string& text) const {
    const auto file = path_ / name;
    std::ofstream(file) << text;
    return file.string();
  }
  std::string Path(const std::string& name) const { return (path_ / name).string(); }
  const std::filesystem::path& Folder() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace varnok::host::testing
