// One reconciliation over exchange-file bytes, done by the core's indexed pass or
// by the reference model, so that tests can hand both the same input.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumari::test {

/// What a cycle starts from: the order answer and the bytes of the two files.
struct PassInput {
  std::string answer;   ///< the service's answer, cut at each ";"
  std::string log;      ///< bytes of the order log
  std::string current;  ///< bytes of the current-order file
  bool srvseen = true;  ///< whether a server line was parsed earlier in the run
};

/// What the cycle would write: the bytes of both files.
struct PassOutput {
  std::string log;
  std::string current;
  bool srvseen = false;
};

/// The core's pass, called as the cycle calls it (LineList, SyncOrders, RefreshOrders).
[[nodiscard]] PassOutput run_indexed_pass(const PassInput& input);
/// The reference model on plain lists.
[[nodiscard]] PassOutput run_reference_pass(const PassInput& input);

using PassFn = PassOutput (*)(const PassInput&);

/// Lines followed by CR LF each.
[[nodiscard]] std::string crlf(const std::vector<std::string>& lines);
/// The lines of CR LF text.
[[nodiscard]] std::vector<std::string> lines_of(std::string_view text);

}  // namespace lumari::test
