// The reconciliation pass done the slow, plain way, with parsers of its own: the
// three phases over the fetcher window's lists, every comparison parsing its line
// again, one line removed or appended at a time. An independent oracle for the
// core's indexed pass, its line parser, key builders and stamp reader.
#pragma once

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "sync/line_list.h"
#include "sync/reconcile.h"

namespace lumari::test {
namespace reference {

struct FetcherLists {
  std::vector<std::string> listData, lumarilog,
      ServerOrd;  // answer pieces, order log, current orders
};

/// The text before each ";" of the answer; the text after the last ";" is left out.
inline std::vector<std::string> split_answer(std::string_view answer) {
  std::vector<std::string> pieces;
  for (auto p = answer.find(';'); p != std::string_view::npos; p = answer.find(';')) {
    pieces.emplace_back(answer.substr(0, p));
    answer.remove_prefix(p + 1);
  }
  return pieces;
}

/// The lines of a file's bytes (ended by CR LF, CR or LF) of two characters or
/// more: the empty line between CR and LF is one of those left out.
inline std::vector<std::string> file_entries(std::string_view bytes) {
  std::vector<std::string> entries;
  for (std::size_t start = 0; start <= bytes.size();) {
    const std::size_t end = std::min(bytes.find_first_of("\r\n", start), bytes.size());
    if (end - start >= 2) entries.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return entries;
}

inline std::string join_entries(const std::vector<std::string>& entries) {
  std::string text;
  for (const auto& entry : entries) text += entry + "\r\n";
  return text;
}

inline std::string trim(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  return first == std::string::npos ? ""
                                    : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

/// An order line as the pass reads it: eleven fields, trimmed, and the values of
/// fields 1, 3 and 11; `drop` is what a server line loses in front (1 or 2), 0
/// for a line of either file.
struct Line {
  std::array<std::string, 11> fld;
  std::string val1, val3, val11;
  [[nodiscard]] std::string order_key() const { return val3 + val11; }
  [[nodiscard]] std::string version_key() const { return val3 + val11 + val1; }
};

inline Line parse_line(const std::string& line, int drop) {
  Line out;
  if (line.size() < 2) {  // too short to read: every field and value is one space
    out.fld.fill(" ");
    out.val1 = out.val3 = out.val11 = " ";
    return out;
  }
  const auto value = [](const std::string& field) {
    const auto eq = field.find('=');
    return trim(eq == std::string::npos ? field : field.substr(eq + 1));
  };
  // Ten fields end at a comma; once the commas run out, every field left holds
  // the rest of the line.
  std::string rest = line;
  for (std::size_t i = 0; i < 10; ++i) {
    const auto comma = rest.find(',');
    std::string text = rest.substr(0, comma);
    if (i == 0 && drop > 0) text = text.size() > std::size_t(drop) ? text.substr(drop) : "";
    out.fld[i] = trim(text);
    if (comma != std::string::npos) rest = rest.substr(comma + 1);
  }
  out.fld[10] = trim(rest);
  out.val1 = value(out.fld[0]);
  out.val3 = value(out.fld[2]);
  out.val11 = value(out.fld[10]);
  // A server line's field 1 loses one more character unless it starts with m or M.
  if (drop > 0 && !out.fld[0].empty() && out.fld[0][0] != 'm' && out.fld[0][0] != 'M')
    out.fld[0].erase(0, 1);
  return out;
}

/// Remembered: the model reads the same lines again and again.
inline const Line& read_line(const std::string& line, int drop) {
  static std::map<std::pair<std::string, int>, Line> known;
  const auto found = known.find({line, drop});
  return found != known.end() ? found->second : known[{line, drop}] = parse_line(line, drop);
}

inline std::string canonical(const Line& line) {
  std::string text = trim(line.fld[0]);
  for (std::size_t i = 1; i < 11; ++i) text += "," + trim(line.fld[i]);
  return text;
}

/// Year, month, day, hour, minute, second of a field-1 value without its last two
/// characters, when they read as one of the stamp forms.
inline std::optional<std::array<int, 6>> read_stamp(const std::string& val1) {
  if (val1.size() < 2) return std::nullopt;
  const std::string text = trim(val1.substr(0, val1.size() - 2));
  static const std::regex year_first(
      R"((\d{4})([./-])(\d{1,2})\2(\d{1,2})(?:( +|T)(\d{1,2}):(\d{2})(?::(\d{2}))?)?)");
  static const std::regex month_first(
      R"((\d{1,2})/(\d{1,2})/(\d{4})(?: +(\d{1,2}):(\d{2})(?::(\d{2}))?( +[AaPp][Mm])?)?)");
  std::smatch m;
  std::array<int, 6> t{};
  const auto num = [&](int i) { return m[i].matched ? std::stoi(m[i].str()) : 0; };
  if (std::regex_match(text, m, year_first)) {
    if (m[5].str() == "T" && m[2].str() != "-") return std::nullopt;
    t = {num(1), num(3), num(4), num(6), num(7), num(8)};
  } else if (std::regex_match(text, m, month_first)) {
    const bool day_first = num(1) > 12;
    t = {num(3), day_first ? num(2) : num(1), day_first ? num(1) : num(2), num(4), num(5), num(6)};
    if (m[7].matched) {
      if (t[3] < 1 || t[3] > 12) return std::nullopt;
      t[3] = t[3] % 12 + (m[7].str().find_first_of("Pp") != std::string::npos ? 12 : 0);
    }
  } else {
    return std::nullopt;
  }
  const bool leap = (t[0] % 4 == 0 && t[0] % 100 != 0) || t[0] % 400 == 0;
  const int days[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t[0] < 1 || t[1] < 1 || t[1] > 12 || t[2] < 1 || t[2] > days[t[1] - 1]) return std::nullopt;
  if (t[3] > 23 || t[4] > 59 || t[5] > 59) return std::nullopt;
  return t;
}

inline std::optional<std::array<int, 6>> stamp_of(const std::string& val1) {
  static std::map<std::string, std::optional<std::array<int, 6>>> known;
  const auto found = known.find(val1);
  return found != known.end() ? found->second : known[val1] = read_stamp(val1);
}

/// Phase C: each current order replaced by every strictly later version of the
/// log in turn (later than the line it started from), moving to the end.
inline void RefreshOrders(FetcherLists& lists) {
  std::vector<std::string>& ServerOrd = lists.ServerOrd;
  // For every line of the list, the entry it stands for; a line appended while
  // this phase runs stands for the entry whose line it replaced.
  const std::size_t examined = ServerOrd.size();
  std::vector<std::size_t> stands_for(examined);
  for (std::size_t i = 0; i < examined; ++i) stands_for[i] = i;
  const auto position_of = [&](std::size_t entry) {
    return std::find(stands_for.begin(), stands_for.end(), entry) - stands_for.begin();
  };
  for (std::size_t entry = 0; entry < examined; ++entry) {
    const Line ordrec = read_line(ServerOrd[position_of(entry)], 0);
    const auto t = stamp_of(ordrec.val1);
    for (const std::string& l : lists.lumarilog) {
      const Line& logrec = read_line(l, 0);
      // A stamp that does not read is later than nothing; every stamp that reads
      // is later than one that does not.
      const auto u = stamp_of(logrec.val1);
      if (logrec.order_key() != ordrec.order_key() || !u || (t && *u <= *t)) continue;
      const auto at = position_of(entry);
      ServerOrd.erase(ServerOrd.begin() + at);
      stands_for.erase(stands_for.begin() + at);
      ServerOrd.push_back(canonical(logrec));
      stands_for.push_back(entry);
    }
  }
}

/// Phases A (new versions into the log) and B (orders missing from the current
/// list), then RefreshOrders. srvseen is the run's flag of the first server line.
inline void SyncOrders(FetcherLists& lists, bool& srvseen) {
  for (const std::string& piece : lists.listData) {
    if (piece.size() < 2) continue;  // an empty or one-character piece is not an order
    const std::string newlogline = canonical(read_line(piece, srvseen ? 1 : 2));
    srvseen = true;
    if (newlogline.find_first_of("\r\n") != std::string::npos) continue;
    // The version as the log holds it, once written and read back.
    const std::string wanted = read_line(newlogline, 0).version_key();
    if (std::none_of(lists.lumarilog.begin(), lists.lumarilog.end(), [&](const std::string& l) {
          return read_line(l, 0).version_key() == wanted;
        })) {
      lists.lumarilog.push_back(newlogline);
    }
  }
  const std::size_t logged = lists.lumarilog.size();
  for (std::size_t i = 0; i < logged; ++i) {
    const Line logrec = read_line(lists.lumarilog[i], 0);
    if (std::none_of(lists.ServerOrd.begin(), lists.ServerOrd.end(), [&](const std::string& l) {
          return read_line(l, 0).order_key() == logrec.order_key();
        })) {
      lists.ServerOrd.push_back(canonical(logrec));
    }
  }
  RefreshOrders(lists);
}

}  // namespace reference

/// What a cycle starts from and what it writes: the answer and both files' bytes.
struct PassInput {
  std::string answer, log, current;
  bool srvseen = true;  ///< whether a server line was read earlier in the run
};
struct PassOutput {
  std::string log, current;
  bool srvseen = false;
};
using PassFn = PassOutput (*)(const PassInput&);

inline std::string crlf(const std::vector<std::string>& lines) {
  return reference::join_entries(lines);
}
/// The text with every "@A 10:00" in it replaced by a version of order A stamped
/// 2026-12-05 10:00: "m=2026.12.05 10:0000,b,c=A,d,e,f,g,h,i,j,k=1".
inline std::string expand_versions(const std::string& text) {
  static const std::regex version("@(\\w+) (\\d\\d:\\d\\d)");
  return std::regex_replace(text, version, "m=2026.12.05 $0200,b,c=$01,d,e,f,g,h,i,j,k=1");
}
/// The lines of CR LF text, empty ones too.
inline std::vector<std::string> lines_of(std::string_view text) {
  std::vector<std::string> lines;
  for (auto end = text.find("\r\n"); !text.empty(); end = text.find("\r\n")) {
    lines.emplace_back(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 2);
  }
  return lines;
}

/// The core's pass, called as the fetch cycle calls it.
inline PassOutput run_indexed_pass(const PassInput& input) {
  core::LineList listData, lumarilog, ServerOrd;
  (void)listData.append_pieces(input.answer, ';');
  lumarilog.append_file_lines(input.log, 2);
  ServerOrd.append_file_lines(input.current, 2);
  PassOutput output{"", "", input.srvseen};
  const auto received = core::server_lines_as_log_lines(listData, output.srvseen);
  core::RefreshOrders(core::SyncOrders(received, lumarilog, ServerOrd), lumarilog, ServerOrd);
  output.log = lumarilog.to_crlf_text();
  output.current = ServerOrd.to_crlf_text();
  return output;
}

inline PassOutput run_reference_pass(const PassInput& input) {
  reference::FetcherLists lists{reference::split_answer(input.answer),
                                reference::file_entries(input.log),
                                reference::file_entries(input.current)};
  PassOutput output{"", "", input.srvseen};
  reference::SyncOrders(lists, output.srvseen);
  output.log = reference::join_entries(lists.lumarilog);
  output.current = reference::join_entries(lists.ServerOrd);
  return output;
}

/// The exchange files that empty ones become when the order lines a service sent
/// arrive in the order sent, in answers of the service's form ("\r\n" first, ";"
/// and LF after each line). A program that merged them answer by answer has the
/// same order log, and the same current orders in another order.
inline PassOutput files_from_sent(const std::vector<std::string>& sent) {
  std::string answer = "\r\n";
  for (const auto& line : sent) answer += line + ";\n";
  return run_reference_pass({answer, "", "", false});
}

/// The lines of CR LF text, sorted: a current-order file without its order.
inline std::vector<std::string> sorted_lines(std::string_view text) {
  std::vector<std::string> lines = lines_of(text);
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace lumari::test
