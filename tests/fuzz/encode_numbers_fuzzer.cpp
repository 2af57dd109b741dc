// The percent-encoder of request values and the lenient number helpers, on any
// bytes: encoded text decodes to the input and holds only unreserved characters
// and %XX; a number is read as the same characters read by the C library would
// be, and rounding and writing numbers stay defined for every double.
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "text/lenient_number.h"
#include "text/url_encode.h"

namespace {

using namespace lumari;
using test::fuzz::require;

bool unreserved(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

bool upper_hex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
bool any_hex(char c) { return upper_hex(c) || (c >= 'a' && c <= 'f'); }

void check_encoding(std::string_view bytes) {
  const std::string encoded = core::percent_encode(bytes);
  std::size_t expected_size = 0;
  for (const char c : bytes) expected_size += unreserved(c) ? 1 : 3;
  require(encoded.size() == expected_size, "each byte becomes itself or %XX", bytes);
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] == '%') {
      require(i + 2 < encoded.size() && upper_hex(encoded[i + 1]) && upper_hex(encoded[i + 2]),
              "an escape is % and two upper-case hex digits", bytes);
      i += 2;
    } else {
      require(unreserved(encoded[i]), "only unreserved characters stay", bytes);
    }
  }
  const auto decoded = core::percent_decode(encoded);
  require(decoded && *decoded == bytes, "decoding gives back the bytes", bytes);

  // The input as encoded text: well-formed escapes decode, others are refused.
  bool well_formed = true;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '%') continue;
    if (i + 2 >= bytes.size() || !any_hex(bytes[i + 1]) || !any_hex(bytes[i + 2])) {
      well_formed = false;
      break;
    }
    i += 2;
  }
  const auto plain = core::percent_decode(bytes);
  require(plain.has_value() == well_formed, "malformed escapes are refused", bytes);
  if (plain) {
    require(plain->size() <= bytes.size(), "decoding never grows the text", bytes);
    require(core::percent_decode(core::percent_encode(*plain)) == plain,
            "decoded text encodes and decodes to itself", bytes);
  }
}

// The characters a lenient reading takes, gathered by the rule as written:
// blanks skipped; a sign only first; digits with one point; then E or D after a
// digit, an optional sign and digits, counted only when digits follow.
std::string number_characters(std::string_view text) {
  std::string mantissa;
  std::string exponent;
  bool any = false;
  bool point = false;
  bool digit = false;
  enum { Mantissa, ExponentStart, ExponentDigits } state = Mantissa;
  for (const char c : text) {
    if (c == ' ') continue;
    const bool first = !any;
    any = true;
    if (state == Mantissa) {
      if (first && (c == '+' || c == '-')) {
        mantissa += c;
      } else if (c >= '0' && c <= '9') {
        mantissa += c;
        digit = true;
      } else if (c == '.' && !point) {
        mantissa += c;
        point = true;
      } else if (digit && (c == 'e' || c == 'E' || c == 'd' || c == 'D')) {
        state = ExponentStart;
      } else {
        break;
      }
    } else if (state == ExponentStart && (c == '+' || c == '-')) {
      exponent += c;
      state = ExponentDigits;
    } else if (c >= '0' && c <= '9') {
      exponent += c;
      state = ExponentDigits;
    } else {
      break;
    }
  }
  if (!digit) return "0";
  const bool exponent_digits =
      !exponent.empty() && exponent.back() >= '0' && exponent.back() <= '9';
  return exponent_digits ? mantissa + "e" + exponent : mantissa;
}

void check_lenient_number(std::string_view text) {
  const double value = core::lenient_number(text);
  require(!std::isnan(value), "a reading is never NaN", text);
  const std::string characters = number_characters(text);
  const double expected = std::strtod(characters.c_str(), nullptr);
  if (std::fabs(expected) < DBL_MIN) {
    // Below the normal range a reading may round to zero.
    require(value == expected || value == 0.0, "a tiny number reads as itself or 0",
            std::string(text) + " as " + characters);
  } else {
    require(value == expected, "a number reads as the C library reads its characters",
            std::string(text) + " as " + characters);
  }
}

void check_double(double value) {
  const std::int64_t rounded = core::round_half_even(value);
  constexpr double kTwo63 = 9223372036854775808.0;
  if (std::isnan(value)) {
    require(rounded == 0, "NaN rounds to 0");
  } else if (value >= 9.2e18) {
    require(rounded == std::numeric_limits<std::int64_t>::max(), "large values saturate");
  } else if (value <= -9.2e18) {
    require(rounded == std::numeric_limits<std::int64_t>::min(), "small values saturate");
  } else {
    require(std::fabs(value) < kTwo63, "in range");
    const double difference = static_cast<double>(rounded) - value;
    require(std::fabs(difference) <= 0.5, "rounding moves at most a half");
    if (std::fabs(difference) == 0.5) require(rounded % 2 == 0, "a half goes to the even side");
  }
  const std::string blank = core::sign_blank_text(rounded);
  require(!blank.empty() && (blank.front() == ' ' || blank.front() == '-'),
          "a sign or a blank leads", blank);
  require(core::lenient_number(blank) == static_cast<double>(rounded),
          "a whole number's text reads back", blank);

  const std::string text = core::number_text(value);
  require(!text.empty(), "a number has a text");
  if (std::isfinite(value)) {
    require(core::lenient_number(text) == value, "a number's text reads back as it", text);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = test::fuzz::as_text(data, size);
  check_encoding(bytes);
  check_lenient_number(bytes);
  check_double(core::lenient_number(bytes));
  if (size >= sizeof(double)) {
    double raw;
    std::memcpy(&raw, data, sizeof raw);
    check_double(raw);
  }
  return 0;
}
