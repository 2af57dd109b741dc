// Random order logs, current-order files and answers for comparing the indexed
// pass with the reference model: few orders and moments, so that repeated
// versions, equal stamps and colliding keys are common.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "support/printable.h"

namespace lumari::test {

/// One version of an order as the generator thinks of it; rendered into lines
/// in many written shapes.
struct VersionPlan {
  std::string field1;  ///< key "=" stamp text, or odd shapes of it
  std::string val3;
  std::string val11;
};

class RandomCases {
 public:
  explicit RandomCases(std::uint64_t seed);

  /// Some versions of some orders for one case.
  [[nodiscard]] std::vector<VersionPlan> versions(std::size_t max_orders, std::size_t max_versions);
  /// A line of one of the versions, with random carried fields and spacing.
  [[nodiscard]] std::string line_of(const VersionPlan& plan);
  /// File bytes of lines of the versions, with mixed line ends and junk lines.
  [[nodiscard]] std::string file(const std::vector<VersionPlan>& plans, std::size_t max_lines);
  /// File bytes of lines picked from another file's lines, plus a few others.
  [[nodiscard]] std::string current_file(std::string_view log,
                                         const std::vector<VersionPlan>& plans);
  /// An answer: server lines of the versions with one or two leading characters,
  /// short pieces, pieces with line breaks.
  [[nodiscard]] std::string answer(const std::vector<VersionPlan>& plans, std::size_t max_pieces);

  [[nodiscard]] bool chance(int percent);
  [[nodiscard]] std::size_t pick(std::size_t n);

 private:
  [[nodiscard]] std::string stamp_text();
  [[nodiscard]] std::string spaced(std::string_view text);

  std::mt19937_64 rng_;
};

}  // namespace lumari::test
