// The reconciliation pass done the slow, plain way: three phases over the lists
// of the fetcher window, every comparison parsing its line again, one line
// removed or appended at a time. An independent oracle for the indexed pass.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumari::test::reference {

/// The fetcher window's lists that the pass works on.
struct FetcherLists {
  std::vector<std::string> listData;   ///< server lines of the answer
  std::vector<std::string> lumarilog;  ///< the order log
  std::vector<std::string> ServerOrd;  ///< the current-order list
};

/// The text before each ";" of the answer, unchanged; the text after the last
/// ";" is left out.
[[nodiscard]] std::vector<std::string> split_answer(std::string_view answer);

/// The lines of a file's bytes (a line ends at CR LF, CR or LF) that have at
/// least two characters.
[[nodiscard]] std::vector<std::string> file_entries(std::string_view bytes);

/// Every entry followed by CR LF, as the exchange files are written.
[[nodiscard]] std::string join_entries(const std::vector<std::string>& entries);

/// Phase A (new versions into the log), phase B (orders missing from the
/// current-order list), then RefreshOrders. srvseen is the run's flag of the
/// first server line.
void SyncOrders(FetcherLists& lists, bool& srvseen);

/// Phase C: current orders replaced by later versions from the log.
void RefreshOrders(FetcherLists& lists);

}  // namespace lumari::test::reference
