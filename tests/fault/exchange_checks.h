// The rules the exchange files keep through file faults, as checks that say
// what is broken (empty text when nothing is), so a sweep can report each case.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace lumari::test {

/// The two exchange files the program writes, as bytes (empty when missing).
struct ExchangeBytes {
  std::string log;      ///< "Lumari.log"
  std::string current;  ///< "ServerOrder.log"
  friend bool operator==(const ExchangeBytes&, const ExchangeBytes&) = default;
};

[[nodiscard]] ExchangeBytes read_exchange(const std::string& folder);

/// What is wrong with the order log after a cycle that may have failed: its old
/// content must stand whole at its start (the log only grows at its end), the
/// file must end with CR LF, every line must be one it held before or one of
/// the allowed (received) lines, and no version may stand twice.
[[nodiscard]] std::string order_log_breaks(std::string_view before, std::string_view after,
                                           const std::set<std::string>& allowed);

/// Where two order logs differ that must hold the same versions: "equal" means
/// the same set of lines, and in the actual log every line and every version
/// (order key and stamp text) stands once.
[[nodiscard]] std::string order_log_differences(std::string_view actual, std::string_view expected);

/// Where two current-order files differ that must offer the same orders:
/// "equal" means the same set of lines, and one line per order in the actual file.
[[nodiscard]] std::string current_file_differences(std::string_view actual,
                                                   std::string_view expected);

/// Entries of the folder other than the named ones: temporary files left behind.
[[nodiscard]] std::vector<std::string> stray_files(const std::string& folder,
                                                   const std::set<std::string>& expected);

/// The lines of CR LF text as a set.
[[nodiscard]] std::set<std::string> line_set(std::string_view text);

}  // namespace lumari::test
