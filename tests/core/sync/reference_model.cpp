#include "reference_model.h"

#include <algorithm>
#include <cstddef>
#include <optional>

#include "sync/order_record.h"
#include "sync/stamp.h"

namespace lumari::test::reference {

namespace {

using core::OrderRecord;

// A canonical line holding a line break would come back from the file as two
// lines, neither of them this version.
bool has_line_break(const std::string& line) {
  return line.find('\r') != std::string::npos || line.find('\n') != std::string::npos;
}

// Phase A.
void merge_server_lines(FetcherLists& lists, bool& srvseen) {
  const std::size_t count = lists.listData.size();
  for (std::size_t i = 0; i < count; ++i) {
    const std::string& piece = lists.listData[i];
    // An empty or one-character piece between two ";" is not an order.
    if (piece.size() < 2) continue;
    const OrderRecord srvrec = core::ParseServerLine(piece, srvseen);
    const std::string newlogline = core::canonical_line(srvrec);
    if (has_line_break(newlogline)) continue;
    // The version as the log will hold it, so that it is known again once the
    // log has been written and read back.
    const std::string wanted = core::version_key(core::ParseLogLine(newlogline));

    bool found = false;
    const std::size_t log_count = lists.lumarilog.size();
    for (std::size_t j = 0; j < log_count; ++j) {
      const OrderRecord logrec = core::ParseLogLine(lists.lumarilog[j]);
      if (core::version_key(logrec) == wanted) {
        found = true;
        break;
      }
    }
    if (!found) lists.lumarilog.push_back(newlogline);
  }
}

// Phase B.
void add_missing_orders(FetcherLists& lists) {
  const std::size_t count = lists.lumarilog.size();
  for (std::size_t i = 0; i < count; ++i) {
    const OrderRecord logrec = core::ParseLogLine(lists.lumarilog[i]);
    const std::string wanted = core::order_key(logrec);

    bool found = false;
    const std::size_t list_count = lists.ServerOrd.size();
    for (std::size_t j = 0; j < list_count; ++j) {
      const OrderRecord ordrec = core::ParseOrderLine(lists.ServerOrd[j]);
      if (core::order_key(ordrec) == wanted) {
        found = true;
        break;
      }
    }
    if (!found) {
      const std::string newordline = core::canonical_line(logrec);
      lists.ServerOrd.push_back(newordline);
    }
  }
}

}  // namespace

std::vector<std::string> split_answer(std::string_view answer) {
  std::vector<std::string> pieces;
  std::string_view rest = answer;
  while (true) {
    const std::size_t p = rest.find(';');
    if (p == std::string_view::npos) break;
    pieces.emplace_back(rest.substr(0, p));
    rest = rest.substr(p + 1);
  }
  return pieces;
}

std::vector<std::string> file_entries(std::string_view bytes) {
  std::vector<std::string> entries;
  std::string line;
  bool in_line = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      if (line.size() >= 2) entries.push_back(line);
      line.clear();
      in_line = false;
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      line += c;
      in_line = true;
    }
  }
  if (in_line && line.size() >= 2) entries.push_back(line);
  return entries;
}

std::string join_entries(const std::vector<std::string>& entries) {
  std::string text;
  for (const auto& entry : entries) {
    text += entry;
    text += "\r\n";
  }
  return text;
}

void SyncOrders(FetcherLists& lists, bool& srvseen) {
  merge_server_lines(lists, srvseen);
  add_missing_orders(lists);
  RefreshOrders(lists);
}

void RefreshOrders(FetcherLists& lists) {
  std::vector<std::string>& ServerOrd = lists.ServerOrd;
  // For every line of the list, the entry it stands for; lines appended while
  // this phase runs stand for the entry whose line they replaced.
  const std::size_t examined = ServerOrd.size();
  std::vector<std::size_t> stands_for(examined);
  for (std::size_t i = 0; i < examined; ++i) stands_for[i] = i;

  const auto position_of = [&](std::size_t entry) {
    return static_cast<std::size_t>(std::find(stands_for.begin(), stands_for.end(), entry) -
                                    stands_for.begin());
  };

  for (std::size_t entry = 0; entry < examined; ++entry) {
    // Copied: the line itself may leave the list while it is compared.
    const std::string line = ServerOrd[position_of(entry)];
    const OrderRecord ordrec = core::ParseOrderLine(line);
    const std::optional<core::Stamp> t = core::record_stamp(ordrec);
    const std::string wanted = core::order_key(ordrec);

    for (std::size_t j = 0; j < lists.lumarilog.size(); ++j) {
      const OrderRecord logrec = core::ParseLogLine(lists.lumarilog[j]);
      if (core::order_key(logrec) != wanted) continue;
      const std::optional<core::Stamp> u = core::record_stamp(logrec);
      // A stamp that does not read is later than nothing; every stamp that
      // reads is later than one that does not.
      const bool later = u && (!t || *u > *t);
      if (!later) continue;

      const std::size_t standing = position_of(entry);
      ServerOrd.erase(ServerOrd.begin() + static_cast<std::ptrdiff_t>(standing));
      stands_for.erase(stands_for.begin() + static_cast<std::ptrdiff_t>(standing));
      const std::string newordline = core::canonical_line(logrec);
      ServerOrd.push_back(newordline);
      stands_for.push_back(entry);
    }
  }
}

}  // namespace lumari::test::reference
