// The percent-encoder of request values and the lenient number helpers, on any
// bytes: encoded text holds only unreserved characters and %XX and decodes to
// the input; malformed escapes are refused; a reading is never NaN; rounding
// stays defined for every double, and a number's text reads back as it.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "fuzz_support.h"
#include "text/lenient_number.h"
#include "text/url_encode.h"

namespace {

using namespace lumari;
using test::fuzz::require;

bool hex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

void check_encoding(std::string_view bytes) {
  const std::string encoded = core::percent_encode(bytes);
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    const char c = encoded[i];
    const bool escape = c == '%' && i + 2 < encoded.size() && hex(encoded[i + 1]) &&
                        hex(encoded[i + 2]) && !std::islower(encoded[i + 1]) &&
                        !std::islower(encoded[i + 2]);
    require(escape || std::isalnum(static_cast<unsigned char>(c)) ||
                std::string_view("-._~").find(c) != std::string_view::npos,
            "only unreserved characters and %XX", bytes);
    if (escape) i += 2;
  }
  require(core::percent_decode(encoded) == std::optional<std::string>(bytes),
          "decoding gives back the bytes", bytes);
  bool well_formed = true;
  for (std::size_t i = bytes.find('%'); well_formed && i != std::string_view::npos;
       i = bytes.find('%', i + 3))
    well_formed = i + 2 < bytes.size() && hex(bytes[i + 1]) && hex(bytes[i + 2]);
  require(core::percent_decode(bytes).has_value() == well_formed, "malformed escapes are refused",
          bytes);
}

void check_double(double value) {
  const std::int64_t rounded = core::round_half_even(value);
  if (std::isnan(value)) {
    require(rounded == 0, "NaN rounds to 0");
  } else if (std::fabs(value) >= 9.2e18) {
    require(rounded == (value > 0 ? std::numeric_limits<std::int64_t>::max()
                                  : std::numeric_limits<std::int64_t>::min()),
            "values out of range saturate");
  } else {
    const double difference = static_cast<double>(rounded) - value;
    require(std::fabs(difference) < 0.5 || (std::fabs(difference) == 0.5 && rounded % 2 == 0),
            "rounding moves at most a half, and a half to the even side");
  }
  const std::string blank = core::sign_blank_text(rounded);
  require(core::lenient_number(blank) == static_cast<double>(rounded) &&
              (blank.front() == ' ' || blank.front() == '-'),
          "a whole number's text leads with a sign or a blank and reads back", blank);
  if (std::isfinite(value)) {
    require(core::lenient_number(core::number_text(value)) == value,
            "a number's text reads back as it", core::number_text(value));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  check_encoding(bytes);
  const double value = core::lenient_number(bytes);
  require(!std::isnan(value), "a reading is never NaN", bytes);
  check_double(value);
  if (size >= sizeof(double)) {
    double raw;
    std::memcpy(&raw, data, sizeof raw);
    check_double(raw);
  }
  return 0;
}
