#include "host/cli/option_checks.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace varnok::host::cli {
namespace {

// Digits only, after an optional '-' when negatives are allowed.
bool IsDecimal(const std::string& text, bool negative_allowed) {
  std::size_t first = negative_allowed && !text.empty() && text[0] == '-' ? 1 : 0;
  if (text.size() == first) return false;
  for (std::size_t i = first; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

std::string Got(const std::string& text) { return ", got '" + text + "'"; }

// Digits, then an optional fraction and exponent, after an optional sign:
// what a person writes for a number ("0.5", "5e-1", "-0"), never "nan",
// "inf" or hex floats.
bool IsWrittenNumber(const std::string& text) {
  std::size_t i = 0;
  const auto digits = [&] {
    const std::size_t start = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    return i - start;
  };
  const auto sign = [&] { i += i < text.size() && (text[i] == '-' || text[i] == '+'); };
  sign();
  std::size_t mantissa = digits();
  if (i < text.size() && text[i] == '.') ++i, mantissa += digits();
  if (mantissa == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    sign();
    if (digits() == 0) return false;
  }
  return i == text.size();
}

// A number from `min` to `max`, `unit` naming it in the message.
CLI::Validator DecimalRange(double min, double max, const std::string& unit, const std::string& suffix) {
  const std::string range = PlainNumber(min) + " to " + PlainNumber(max);
  return CLI::Validator(
      [min, max, range, unit](std::string& text) -> std::string {
        const double value = IsWrittenNumber(text) ? std::strtod(text.c_str(), nullptr) : std::nan("");
        if (!(value >= min && value <= max)) return "expected " + unit + " from " + range + Got(text);
        return {};
      },
      range + suffix);
}

}  // namespace

std::string PlainNumber(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6f", value);
  std::string plain = text;
  plain.erase(plain.find_last_not_of('0') + 1);
  if (plain.back() == '.') plain.pop_back();
  return plain;
}

CLI::Validator WholeNumber(long long min, long long max) {
  const std::string range = std::to_string(min) + " to " + std::to_string(max);
  return CLI::Validator(
      [min, max, range](std::string& text) -> std::string {
        errno = 0;
        const long long value = IsDecimal(text, min < 0) ? std::strtoll(text.c_str(), nullptr, 10) : 0;
        if (!IsDecimal(text, min < 0) || errno == ERANGE || value < min || value > max) {
          return "expected a whole number from " + range + Got(text);
        }
        return {};
      },
      range);
}

CLI::Validator AnyUnsigned64() {
  const std::string range = "0 to 18446744073709551615";
  return CLI::Validator(
      [range](std::string& text) -> std::string {
        errno = 0;
        if (IsDecimal(text, false)) std::strtoull(text.c_str(), nullptr, 10);
        if (!IsDecimal(text, false) || errno == ERANGE) return "expected a whole number from " + range + Got(text);
        return {};
      },
      range);
}

CLI::Validator Seconds(double min, double max) { return DecimalRange(min, max, "seconds", " s"); }

CLI::Validator Decibels(double min, double max) { return DecimalRange(min, max, "decibels", " dB"); }

CLI::Validator NotEmpty(const std::string& what) {
  return CLI::Validator(
      [what](std::string& text) -> std::string { return text.empty() ? "expected " + what + ", got ''" : ""; },
      "");
}

}  // namespace varnok::host::cli
