// What the exchange files should hold, worked out from the order lines the
// demo service says it sent.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumari::test {

/// Order lines, one per entry.
using OrderLines = std::vector<std::string>;

/// Every distinct version of the sent lines, in the order first sent: the
/// order log after every one of them was merged.
[[nodiscard]] OrderLines distinct_versions(const OrderLines& sent);
/// The latest version (by stamp) of every order of the sent lines, sorted: the
/// current-order file, sorted, after every one of them was merged.
[[nodiscard]] OrderLines latest_versions(const OrderLines& sent);
[[nodiscard]] OrderLines sorted(OrderLines lines);
/// The lines of the demo service's request log (its bytes) for one request path
/// ("/GetTD.do"), in order; a line still being written is left for later.
[[nodiscard]] std::vector<std::string> request_lines(std::string_view log,
                                                     std::string_view request_path);

/// The lines of `all` that `part` lacks, in the order of `all`.
[[nodiscard]] OrderLines lines_missing_from(const OrderLines& all, const OrderLines& part);

}  // namespace lumari::test
