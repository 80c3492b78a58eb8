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

// A number from `min` to `max` in plain decimals, `unit` naming it in the
// message: no "nan", "inf", hex floats or exponents.
CLI::Validator DecimalRange(double min, double max, const std::string& unit, const std::string& suffix) {
  const std::string range = PlainNumber(min) + " to " + PlainNumber(max);
  return CLI::Validator(
      [min, max, range, unit](std::string& text) -> std::string {
        const std::size_t first = min < 0 && !text.empty() && text[0] == '-' ? 1 : 0;
        bool digits = false, point = false, ok = text.size() > first;
        for (std::size_t i = first; i < text.size(); ++i) {
          if (std::isdigit(static_cast<unsigned char>(text[i]))) {
            digits = true;
          } else if (text[i] == '.' && !point) {
            point = true;
          } else {
            ok = false;
          }
        }
        const double value = ok && digits ? std::strtod(text.c_str(), nullptr) : std::nan("");
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
