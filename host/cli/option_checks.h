// Checks of command-line values, with plain messages: what was expected, in
// plain numbers, and what was given. Each check reads the text itself, so no
// value reaches a conversion that could fail or overflow.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

namespace varnok::host::cli {

// A whole number from `min` to `max`, in decimal digits.
CLI::Validator WholeNumber(long long min, long long max);
// The same for the full unsigned 64-bit range (seeds).
CLI::Validator AnyUnsigned64();
// A finite number of seconds from `min` to `max`.
CLI::Validator Seconds(double min, double max);
// The longest tail after a song, for render and play alike: a tail is the end
// of a song, not a song of its own.
inline constexpr double kLongestTailSeconds = 3600.0;

// A finite number of decibels from `min` to `max`, a '-' before it allowed.
CLI::Validator Decibels(double min, double max);

// A text that is not empty, such as a file name.
CLI::Validator NotEmpty(const std::string& what);

// A number as the messages write it: "0.5", "3600", never an exponent.
std::string PlainNumber(double value);

}  // namespace varnok::host::cli
