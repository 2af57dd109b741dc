// An independent count of days for the tests of the stamp reader: days from
// 1970-01-01 of a proleptic Gregorian date, by eras of 400 years, a different
// way from the core's, so the two check each other.
#pragma once

#include <cstdint>

namespace lumari::test {

inline std::int64_t days_from_civil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

}  // namespace lumari::test
