// Exchange files and an order answer of a chosen size for the benchmarks: an
// order log of versions of a fixed set of orders, the current-order file those
// versions lead to, and an answer of known and new versions.
#pragma once

#include <cstddef>
#include <string>

namespace lumari::bench {

inline constexpr std::size_t kCurrentOrders = 1000;
inline constexpr std::size_t kServerLines = 50;

struct OrderData {
  std::string log;               ///< bytes of the order log
  std::string current;           ///< bytes of the current-order file
  std::string answer;            ///< the service's answer, for a run that has seen a server line
  std::size_t new_versions = 0;  ///< versions of the answer that the log lacks
};

/// The log line of version number of an order; the stamp rises with the number.
[[nodiscard]] std::string version_line(std::size_t order, std::size_t number);

/// The files and answer for an order log of log_lines lines, built once per size.
[[nodiscard]] const OrderData& order_data(std::size_t log_lines);

}  // namespace lumari::bench
