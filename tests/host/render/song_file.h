// A song written to a fresh folder of its own, for tests that read files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

namespace varnok::host::testing {

class SongFolder {
 public:
  SongFolder() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("varnok-song-" + std::string(test->test_suite_name()) + "-" + test->name() + "-" +
             std::to_string(std::random_device{}()));  // two runs of the suite never meet
    std::filesystem::create_directories(path_);
  }
  // A folder that cannot go yet stays: under Wine, a log written by a program
  // that has just exited may be held open a while longer.
  ~SongFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

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
