// The reconciliation pass: merges one answer's server lines into the order log
// (phase A), adds orders the current-order list lacks (phase B) and replaces
// current orders by later versions from the log (phase C). The lines and their
// order are those of the three phases done one comparison at a time, but each
// line is parsed once and matched through hash indexes on the order and version
// keys, so a pass costs time in proportion to the lines, not their product.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sync/line_list.h"

namespace lumari::core {

class PassIndex;

/// What SyncOrders hands to RefreshOrders.
struct SyncResult {
  std::size_t new_versions = 0;      ///< lines appended to the order log
  std::size_t log_lines_loaded = 0;  ///< log lines before the pass appended any
  /// What the pass knows of the log and the current-order list; after
  /// RefreshOrders it describes both as the pass leaves them.
  std::shared_ptr<PassIndex> index;
};

/// The server lines of an answer as the lines they become in the order log (the
/// canonical line of each). Pieces shorter than two characters, and pieces whose
/// log line would hold a line break, are not orders and are left out.
[[nodiscard]] std::vector<std::string> server_lines_as_log_lines(const LineList& listData,
                                                                 bool& srvseen);

/// Phases A and B. received holds the versions to merge into the log, in the
/// order received, as server_lines_as_log_lines gives them; each is appended
/// unless the log holds its version key already.
[[nodiscard]] SyncResult SyncOrders(const std::vector<std::string>& received, LineList& lumarilog,
                                    LineList& ServerOrd);

/// Phases A and B over an order log and a current-order list that hold exactly
/// the lines that the pass of the index left (as RefreshOrders left them):
/// neither is parsed again, only the received versions are. The results are
/// those SyncOrders gives on the same lines.
[[nodiscard]] SyncResult SyncOrdersKnown(std::shared_ptr<PassIndex> index,
                                         const std::vector<std::string>& received,
                                         LineList& lumarilog, LineList& ServerOrd);

/// Whether a later SyncOrdersKnown can start from the index.
[[nodiscard]] bool reusable(const PassIndex& index);

/// Phase C: each current order whose log holds a strictly later version is
/// replaced by the last such version in log order, and moves to the end.
/// A version whose stamp does not read never replaces; a current line whose
/// stamp does not read ranks below every stamp that does, so the last readable
/// version in log order replaces it.
void RefreshOrders(const SyncResult& synced, const LineList& lumarilog, LineList& ServerOrd);

}  // namespace lumari::core
