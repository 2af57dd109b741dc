// What the exchange files should hold, worked out from the order lines the
// service sent: every version once for the order log, the latest version of
// each order for the current-order file.
#pragma once

#include <string>
#include <vector>

namespace lumari::test {

using OrderLines = std::vector<std::string>;

/// Every distinct version of the sent lines, in the order first sent.
[[nodiscard]] OrderLines distinct_versions(const OrderLines& sent);
/// The latest version (by stamp) of every order of the sent lines, sorted.
[[nodiscard]] OrderLines latest_versions(const OrderLines& sent);
[[nodiscard]] OrderLines sorted(OrderLines lines);

}  // namespace lumari::test
