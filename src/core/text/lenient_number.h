// Reading numbers out of free text the lenient way (blanks ignored, reading stops
// at the first character that cannot continue a number, no number reads as 0),
// and the two conversions that go with it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lumari::core {

/// The number at the start of the text: optional sign, digits, one decimal point,
/// an exponent (E or D, optional sign, digits); spaces anywhere are skipped.
/// A value too large for a double reads as infinity of the right sign.
[[nodiscard]] double lenient_number(std::string_view text);

/// Rounds to the nearest whole number, a half to the even neighbour
/// (0.5 -> 0, 1.5 -> 2, -2.5 -> -2). Values outside the 64-bit range saturate.
[[nodiscard]] std::int64_t round_half_even(double value);

/// A whole number as classic BASIC's Str writes it: a blank in place of the sign
/// for zero or more (" 42", " 0"), a minus otherwise ("-7").
[[nodiscard]] std::string sign_blank_text(std::int64_t value);

/// The shortest decimal text of a finite number: "42", "-7", "1.5", "1e+20".
[[nodiscard]] std::string number_text(double value);

}  // namespace lumari::core
