// Order lines and orders answers in the service's format, with stamps taken
// from a calendar time, for the fault and soak tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ports/clock.h"

namespace lumari::test {

/// The time the given number of seconds later (or earlier, when negative).
[[nodiscard]] core::DateTime add_seconds(const core::DateTime& when, long long seconds);

/// "yyyy.mm.dd hh:mm:ss", the service's written form of a stamp.
[[nodiscard]] std::string stamp_text(const core::DateTime& when);

/// An order line as the service sends it and the order log keeps it: field 1
/// carries the stamp and two more characters, field 3 the ticket, field 11 the
/// account.
[[nodiscard]] std::string order_line(int ticket, const core::DateTime& stamp,
                                     std::string_view price, std::string_view state = "open",
                                     std::string_view symbol = "EURUSD");

/// An orders answer as the service writes it: two characters in front, the
/// pieces joined by ";" with a line feed in front of every later piece, and a
/// final ";".
[[nodiscard]] std::string orders_answer(const std::vector<std::string>& pieces);

}  // namespace lumari::test
