#include "text/lenient_number.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace lumari::core {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The power of ten of the first non-zero digit of a gathered number ("[sign]
// digits[.digits][e[sign]digits]"): 2 for "00123.4", -3 for "0.0012e0", 5 for
// "1e5". Out of a double's range, only this tells a huge value from a tiny one:
// "1000...0e-5" with 400 zeros is huge, "0.000...01" is tiny.
std::int64_t leading_power(std::string_view number) {
  constexpr std::int64_t kFar = 1'000'000'000'000;  // far beyond any double
  std::size_t i = number.empty() || (number[0] != '+' && number[0] != '-') ? 0 : 1;
  std::int64_t whole_digits = 0;
  std::int64_t position = 0;
  std::int64_t leading = -1;
  bool after_point = false;
  for (; i < number.size() && number[i] != 'e'; ++i) {
    if (number[i] == '.') {
      after_point = true;
      continue;
    }
    if (leading < 0 && number[i] != '0') leading = position;
    ++position;
    if (!after_point) ++whole_digits;
  }
  if (leading < 0) return 0;  // no non-zero digit: the value is 0
  std::int64_t exponent = 0;
  bool negative = false;
  if (i < number.size()) {
    ++i;
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) negative = number[i++] == '-';
    for (; i < number.size() && exponent < kFar; ++i) exponent = exponent * 10 + (number[i] - '0');
  }
  return whole_digits - 1 - leading + (negative ? -exponent : exponent);
}

}  // namespace

double lenient_number(std::string_view text) {
  // Collect the characters that form the number, skipping blanks, into a compact
  // buffer that strtod can read whatever locale is active.
  std::string number;
  number.reserve(text.size());
  bool sign_allowed = true;
  bool seen_point = false;
  bool seen_digit = false;
  bool in_exponent = false;
  bool exponent_sign_allowed = false;
  bool exponent_digit = false;
  for (const char c : text) {
    if (c == ' ') continue;
    if (sign_allowed && (c == '+' || c == '-')) {
      number += c;
      sign_allowed = false;
      continue;
    }
    sign_allowed = false;
    if (!in_exponent) {
      if (is_digit(c)) {
        number += c;
        seen_digit = true;
      } else if (c == '.' && !seen_point) {
        number += c;
        seen_point = true;
      } else if ((c == 'e' || c == 'E' || c == 'd' || c == 'D') && seen_digit) {
        in_exponent = true;
        exponent_sign_allowed = true;
      } else {
        break;
      }
    } else {
      if (exponent_sign_allowed && (c == '+' || c == '-')) {
        if (!exponent_digit) number += 'e';
        number += c;
        exponent_sign_allowed = false;
      } else if (is_digit(c)) {
        if (!exponent_digit && exponent_sign_allowed) number += 'e';
        number += c;
        exponent_digit = true;
        exponent_sign_allowed = false;
      } else {
        break;
      }
    }
  }
  if (!seen_digit) return 0.0;
  // An exponent marker with a sign but no digits ("1e+") adds nothing.
  if (in_exponent && !exponent_digit && !number.empty() &&
      (number.back() == '+' || number.back() == '-')) {
    number.resize(number.size() - 2);
  }
  double value = 0.0;
  const char* first = number.data();
  const char* last = number.data() + number.size();
  if (*first == '+') ++first;
  const auto [end, error] = std::from_chars(first, last, value);
  if (error == std::errc::result_out_of_range) {
    // from_chars leaves the value alone on overflow and underflow; tell them apart
    // by the magnitude so that a tiny value becomes 0, a huge one infinity.
    const bool tiny = leading_power(number) < 0;
    if (tiny) return 0.0;
    const bool negative = number.front() == '-';
    return negative ? -std::numeric_limits<double>::infinity()
                    : std::numeric_limits<double>::infinity();
  }
  (void)end;
  return value;
}

std::int64_t round_half_even(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kLimit = 9.2e18;
  if (value >= kLimit) return std::numeric_limits<std::int64_t>::max();
  if (value <= -kLimit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(std::nearbyint(value));  // default mode: ties to even
}

std::string sign_blank_text(std::int64_t value) {
  return value >= 0 ? " " + std::to_string(value) : std::to_string(value);
}

std::string number_text(double value) {
  if (value == 0.0) return "0";  // also turns -0 into 0
  if (std::nearbyint(value) == value && std::fabs(value) < 1e15) {
    return std::to_string(static_cast<std::int64_t>(value));
  }
  char buffer[64];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (error != std::errc{}) return "0";
  return std::string(buffer, end);
}

}  // namespace lumari::core
