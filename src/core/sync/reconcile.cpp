#include "sync/reconcile.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <utility>

#include "sync/key_index.h"
#include "sync/log_versions.h"
#include "sync/order_record.h"
#include "sync/stamp.h"

namespace lumari::core {

namespace {

KeyParts version_key_parts(const LineKeys& k) { return {k.val3, k.val11, k.val1}; }

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

  /// The stamp and position of that version.
  [[nodiscard]] const std::pair<Stamp, std::size_t>* last_later_than(std::optional<Stamp> t) const {
    if (kept_.empty()) return nullptr;
    if (!t) return &kept_.back();
    const auto end = std::partition_point(kept_.begin(), kept_.end(),
                                          [t](const auto& kept) { return kept.first > *t; });
    if (end == kept_.begin()) return nullptr;
    return &*std::prev(end);
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
  LogVersions log_versions;
  bool log_versions_complete = true;
  // Order keys taken from the current-order list, whose lines do not outlive
  // the pass; keys from the log point into the log's lines.
  std::deque<std::string> owned_keys;

  // The order of a current-order line, added when new.
  std::size_t order_of_current_line(const LineKeys& keys) {
    const KeyParts key{keys.val3, keys.val11, {}};
    const std::uint64_t hash = hash_key(key);
    const std::size_t found = orders.find(hash, key);
    if (found != kNoEntry) return found;
    std::string& owned = owned_keys.emplace_back(keys.val3);
    owned += keys.val11;
    OrderEntry entry;
    entry.key = {owned, {}, {}};
    return orders.add(hash, std::move(entry));
  }

  // One line of the log, in log order: marks the candidate it logs (A), appends
  // the first version of an order the list lacks (B) and records the version
  // for phase C.
  void walk_log_line(std::string_view line, std::size_t position, LineList& ServerOrd,
                     KeyedEntries<Candidate>& candidates) {
    const LineKeys keys = log_line_keys(line);
    KeyHasher hasher;
    hasher.add(keys.val3);
    hasher.add(keys.val11);
    const std::uint64_t order_hash = hasher.value();
    hasher.add(keys.val1);
    const std::uint64_t version_hash = hasher.value();
    if (candidates.size() > 0) {
      const std::size_t logged = candidates.find(version_hash, version_key_parts(keys));
      if (logged != kNoEntry) candidates[logged].in_log = true;
    }
    if (log_versions_complete && !log_versions.add(version_hash, position)) {
      log_versions_complete = false;
    }

    const KeyParts order_key{keys.val3, keys.val11, {}};
    std::size_t order = orders.find(order_hash, order_key);
    if (order == kNoEntry) {
      OrderEntry entry;
      entry.key = order_key;
      order = orders.add(order_hash, std::move(entry));
    }
    OrderEntry& entry = orders[order];
    const std::optional<Stamp> stamp = value_stamp(keys.val1);
    if (!entry.in_current_list) {
      entry.in_current_list = true;
      ServerOrd.push_back(canonical_line(ParseLogLine(line)));
      current.push_back({order, stamp});
    }
    if (stamp) entry.versions.add(*stamp, position);
  }
};

namespace {

// Phase A's candidates, in the order they would be appended. Each is keyed by
// its line as it stands in the log, so that the version is known again when
// the log is read back.
struct Candidates {
  KeyedEntries<Candidate> entries;
  std::vector<std::size_t> order;
  std::vector<std::uint64_t> hashes;  // of each entry's version key
};

Candidates candidates_of(const std::vector<std::string>& received) {
  Candidates c;
  c.order.reserve(received.size());
  for (const auto& line : received) {
    if (line.size() < 2) continue;
    Candidate candidate;
    candidate.key = version_key_parts(log_line_keys(line));
    candidate.line = line;
    const std::uint64_t hash = hash_key(candidate.key);
    std::size_t position = c.entries.find(hash, candidate.key);
    if (position == kNoEntry) {
      position = c.entries.add(hash, candidate);
      c.hashes.push_back(hash);
    }
    c.order.push_back(position);
  }
  return c;
}

// Appends the candidates that the log lacks, in order, walking each new line.
void append_new_versions(PassIndex& index, Candidates& c, LineList& lumarilog, LineList& ServerOrd,
                         SyncResult& result) {
  for (const std::size_t k : c.order) {
    if (c.entries[k].in_log) continue;
    lumarilog.push_back(std::string(c.entries[k].line));
    ++result.new_versions;
    const std::size_t position = lumarilog.size() - 1;
    index.walk_log_line(lumarilog[position], position, ServerOrd, c.entries);
  }
}

}  // namespace

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
    const LineKeys keys = log_line_keys(line);
    const std::size_t order = index->order_of_current_line(keys);
    index->orders[order].in_current_list = true;
    index->current.push_back({order, value_stamp(keys.val1)});
  }

  Candidates c = candidates_of(received);
  // One walk over the log in order serves all three phases.
  index->log_versions.reserve(lumarilog.size() + c.order.size());
  for (std::size_t position = 0; position < result.log_lines_loaded; ++position) {
    index->walk_log_line(lumarilog[position], position, ServerOrd, c.entries);
  }
  append_new_versions(*index, c, lumarilog, ServerOrd, result);
  result.index = std::move(index);
  return result;
}

SyncResult SyncOrdersKnown(std::shared_ptr<PassIndex> index,
                           const std::vector<std::string>& received, LineList& lumarilog,
                           LineList& ServerOrd) {
  SyncResult result;
  result.log_lines_loaded = lumarilog.size();
  // The walk over the known log would find every order in the list already, as
  // the pass that left both added any it lacked; it would only mark the
  // candidates already logged, which the log's version keys tell directly.
  Candidates c = candidates_of(received);
  const auto key_at = [&lumarilog](std::size_t position) {
    return version_key_parts(log_line_keys(lumarilog[position]));
  };
  for (std::size_t k = 0; k < c.entries.size(); ++k) {
    if (index->log_versions.find(c.hashes[k], c.entries[k].key, key_at) != kNoEntry) {
      c.entries[k].in_log = true;
    }
  }
  index->log_versions.reserve(lumarilog.size() + c.order.size());
  append_new_versions(*index, c, lumarilog, ServerOrd, result);
  result.index = std::move(index);
  return result;
}

bool reusable(const PassIndex& index) { return index.log_versions_complete; }

void RefreshOrders(const SyncResult& synced, const LineList& lumarilog, LineList& ServerOrd) {
  PassIndex& index = *synced.index;
  std::vector<std::size_t> kept;
  std::vector<std::string> replacements;
  std::vector<CurrentLine> left;  // the list as this phase leaves it
  std::vector<CurrentLine> replaced;
  kept.reserve(index.current.size());
  left.reserve(index.current.size());
  for (std::size_t i = 0; i < index.current.size(); ++i) {
    const CurrentLine& line = index.current[i];
    const auto* later = index.orders[line.order].versions.last_later_than(line.stamp);
    if (later != nullptr) {
      replacements.push_back(canonical_line(ParseLogLine(lumarilog[later->second])));
      replaced.push_back({line.order, later->first});
    } else {
      kept.push_back(i);
      left.push_back(line);
    }
  }
  ServerOrd.rebuild(kept, std::move(replacements));
  left.insert(left.end(), replaced.begin(), replaced.end());
  index.current = std::move(left);
}

}  // namespace lumari::core
