#include "sync/reconcile.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "sync/key_index.h"
#include "sync/order_record.h"
#include "sync/stamp.h"

namespace lumari::core {

namespace {

KeyParts order_key_parts(const OrderRecord& r) { return {r.val3, r.val11, {}}; }
KeyParts version_key_parts(const OrderRecord& r) { return {r.val3, r.val11, r.val1}; }

// The log's versions of one order whose stamps read, kept so that "the last
// version in log order whose stamp is later than t" is a binary search: a version
// makes every earlier version with a stamp not above its own irrelevant, so the
// kept stamps fall strictly while their positions rise. A current line whose
// stamp does not read ranks below every stamp that does, so for it the last kept
// version, the last readable one in log order, is the one later than it.
class LaterVersions {
 public:
  void add(Stamp stamp, std::size_t position) {
    while (!kept_.empty() && kept_.back().first <= stamp) kept_.pop_back();
    kept_.emplace_back(stamp, position);
  }

  [[nodiscard]] std::optional<std::size_t> last_later_than(std::optional<Stamp> t) const {
    if (kept_.empty()) return std::nullopt;
    if (!t) return kept_.back().second;
    const auto end = std::partition_point(kept_.begin(), kept_.end(),
                                          [t](const auto& kept) { return kept.first > *t; });
    if (end == kept_.begin()) return std::nullopt;
    return std::prev(end)->second;
  }

 private:
  std::vector<std::pair<Stamp, std::size_t>> kept_;
};

struct OrderEntry {
  KeyParts key;
  std::size_t next_same_hash = kNoEntry;
  bool in_current_list = false;
  LaterVersions versions;
};

// A line of the current-order list as phase C will examine it.
struct CurrentLine {
  std::size_t order = kNoEntry;
  std::optional<Stamp> stamp;
};

// A version that phase A may append to the log.
struct Candidate {
  KeyParts key;
  std::size_t next_same_hash = kNoEntry;
  std::string_view line;  // the line as it goes into the log
  bool in_log = false;
};

bool has_line_break(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

class PassIndex {
 public:
  KeyedEntries<OrderEntry> orders;
  std::vector<CurrentLine> current;

  std::size_t order_of(const OrderRecord& record) {
    const KeyParts key = order_key_parts(record);
    const std::uint64_t hash = hash_key(key);
    const std::size_t found = orders.find(hash, key);
    if (found != kNoEntry) return found;
    OrderEntry entry;
    entry.key = key;
    return orders.add(hash, std::move(entry));
  }
};

std::vector<std::string> server_lines_as_log_lines(const LineList& listData, bool& srvseen) {
  std::vector<std::string> lines;
  lines.reserve(listData.size());
  for (const auto piece : listData.lines()) {
    if (piece.size() < 2) continue;
    std::string line = canonical_line(ParseServerLine(piece, srvseen));
    if (has_line_break(line)) continue;
    lines.push_back(std::move(line));
  }
  return lines;
}

SyncResult SyncOrders(const std::vector<std::string>& received, LineList& lumarilog,
                      LineList& ServerOrd) {
  auto index = std::make_shared<PassIndex>();
  SyncResult result;
  result.log_lines_loaded = lumarilog.size();

  // The current-order list as loaded: every line is an order phase C examines.
  index->current.reserve(ServerOrd.size());
  for (const auto line : ServerOrd.lines()) {
    const OrderRecord ordrec = ParseOrderLine(line);
    const std::size_t order = index->order_of(ordrec);
    index->orders[order].in_current_list = true;
    index->current.push_back({order, record_stamp(ordrec)});
  }

  // Phase A's candidates, in the order they would be appended. Each is keyed by
  // its line as it stands in the log, so that the version is known again when
  // the log is read back.
  KeyedEntries<Candidate> candidates;
  std::vector<std::size_t> candidate_order;
  candidate_order.reserve(received.size());
  for (const auto& line : received) {
    if (line.size() < 2) continue;
    Candidate candidate;
    candidate.key = version_key_parts(ParseLogLine(line));
    candidate.line = line;
    const std::uint64_t hash = hash_key(candidate.key);
    std::size_t position = candidates.find(hash, candidate.key);
    if (position == kNoEntry) position = candidates.add(hash, candidate);
    candidate_order.push_back(position);
  }

  // One walk over the log in order serves all three phases: it marks the
  // candidates already logged (A), appends the first version of every order
  // the list lacks (B) and records each order's versions for phase C.
  const auto walk_log_line = [&](std::string_view line, std::size_t position) {
    const OrderRecord logrec = ParseLogLine(line);
    KeyHasher hasher;
    hasher.add(logrec.val3);
    hasher.add(logrec.val11);
    const std::uint64_t order_hash = hasher.value();
    hasher.add(logrec.val1);
    const std::size_t logged = candidates.find(hasher.value(), version_key_parts(logrec));
    if (logged != kNoEntry) candidates[logged].in_log = true;

    const KeyParts order_key = order_key_parts(logrec);
    std::size_t order = index->orders.find(order_hash, order_key);
    if (order == kNoEntry) {
      OrderEntry entry;
      entry.key = order_key;
      order = index->orders.add(order_hash, std::move(entry));
    }
    OrderEntry& entry = index->orders[order];
    const std::optional<Stamp> stamp = record_stamp(logrec);
    if (!entry.in_current_list) {
      entry.in_current_list = true;
      ServerOrd.push_back(canonical_line(logrec));
      index->current.push_back({order, stamp});
    }
    if (stamp) entry.versions.add(*stamp, position);
  };

  for (std::size_t position = 0; position < result.log_lines_loaded; ++position) {
    walk_log_line(lumarilog[position], position);
  }
  for (const std::size_t c : candidate_order) {
    if (candidates[c].in_log) continue;
    lumarilog.push_back(std::string(candidates[c].line));
    ++result.new_versions;
    const std::size_t position = lumarilog.size() - 1;
    walk_log_line(lumarilog[position], position);
  }

  result.index = std::move(index);
  return result;
}

void RefreshOrders(const SyncResult& synced, const LineList& lumarilog, LineList& ServerOrd) {
  const PassIndex& index = *synced.index;
  std::vector<std::size_t> kept;
  std::vector<std::string> replacements;
  kept.reserve(index.current.size());
  for (std::size_t i = 0; i < index.current.size(); ++i) {
    const CurrentLine& line = index.current[i];
    const std::optional<std::size_t> later =
        index.orders[line.order].versions.last_later_than(line.stamp);
    if (later) {
      replacements.push_back(canonical_line(ParseLogLine(lumarilog[*later])));
    } else {
      kept.push_back(i);
    }
  }
  ServerOrd.rebuild(kept, std::move(replacements));
}

}  // namespace lumari::core
