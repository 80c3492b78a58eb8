// The words of `machine-host validate` for one check: spelled here alone, for
// the hidden option that runs a check in the process validate starts for it,
// and for the line that lets a person replay a failed one.
#pragma once

#include <string>
#include <vector>

#include "host/validate/validator.h"

namespace varnok::host::cli {

inline constexpr const char* kValidateCommand = "validate";
inline constexpr const char* kSeedOption = "--seed";
inline constexpr const char* kStrictnessOption = "--strictness";
inline constexpr const char* kOnlyOption = "--only";
// Hidden: runs one check in this process and writes its report to standard output.
inline constexpr const char* kRunCheckOption = "--run-check";

// validate on `settings`'s file, seed and strictness, for the one check
// `check`, chosen by `selector`: kRunCheckOption or kOnlyOption.
inline std::vector<std::string> ValidateWords(const validate::ValidationSettings& settings,
                                              const char* selector, const std::string& check) {
  return {kValidateCommand,  settings.plugin_path, kSeedOption, std::to_string(settings.seed),
          kStrictnessOption, std::to_string(settings.strictness), selector, check};
}

}  // namespace varnok::host::cli
