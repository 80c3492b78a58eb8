// Programs written elsewhere, run as judges: once to the end with their output
// kept, or in the background until the test lets them go.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace varnok::lv2::testing {

struct Finished {
  int exit_code;       // -1 when it could not run or was killed
  std::string output;  // standard output and standard error together
};

// Runs `command` through sh; LV2_PATH names our bundles alone.
Finished RunToEnd(const std::string& command);

// A program left running in the background with its input open (some read
// commands until it closes), its output to nowhere; stopped by the destructor.
class Background final {
 public:
  explicit Background(const std::vector<std::string>& arguments);
  ~Background();
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;

 private:
  pid_t pid_ = -1;
  int input_ = -1;
};

}  // namespace varnok::lv2::testing
