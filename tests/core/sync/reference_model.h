// The reconciliation pass done the slow, plain way, with parsers of its own: three
// phases over the lists of the fetcher window, every comparison parsing its line
// again, one line removed or appended at a time. An independent oracle for the
// core's indexed pass, its line parser, key builders and stamp reader.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumari::test::reference {

struct FetcherLists {
  std::vector<std::string> listData;   ///< server lines of the answer
  std::vector<std::string> lumarilog;  ///< the order log
  std::vector<std::string> ServerOrd;  ///< the current-order list
};

/// The text before each ";" of the answer; the text after the last ";" is left out.
[[nodiscard]] std::vector<std::string> split_answer(std::string_view answer);
/// The lines of a file's bytes (ended by CR LF, CR or LF) of two characters or more.
[[nodiscard]] std::vector<std::string> file_entries(std::string_view bytes);
/// Every entry followed by CR LF.
[[nodiscard]] std::string join_entries(const std::vector<std::string>& entries);

/// An order line read as the pass reads it: the eleven fields, trimmed, and the
/// values of fields 1, 3 and 11. `drop` is the count of characters a server line
/// loses in front (1 or 2), 0 for a line of either file.
struct Line {
  std::array<std::string, 11> fld;
  std::string val1, val3, val11;
};
[[nodiscard]] Line read_line(const std::string& line, int drop);
[[nodiscard]] std::string canonical(const Line& line);
/// Year, month, day, hour, minute, second of a field-1 value without its last two
/// characters, when they read as one of the stamp forms.
[[nodiscard]] std::optional<std::array<int, 6>> stamp_of(const std::string& val1);

/// Phases A (new versions into the log) and B (orders missing from the current
/// list), then RefreshOrders. srvseen is the run's flag of the first server line.
void SyncOrders(FetcherLists& lists, bool& srvseen);
/// Phase C: current orders replaced by later versions from the log.
void RefreshOrders(FetcherLists& lists);

}  // namespace lumari::test::reference
