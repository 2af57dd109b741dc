#include "reference_model.h"

#include <algorithm>
#include <map>
#include <regex>

namespace lumari::test::reference {
namespace {

std::string trim(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string value(const std::string& field) {
  const auto eq = field.find('=');
  return trim(eq == std::string::npos ? field : field.substr(eq + 1));
}

std::string order_key(const Line& line) { return line.val3 + line.val11; }
std::string version_key(const Line& line) { return line.val3 + line.val11 + line.val1; }

}  // namespace

std::vector<std::string> split_answer(std::string_view answer) {
  std::vector<std::string> pieces;
  for (auto p = answer.find(';'); p != std::string_view::npos; p = answer.find(';')) {
    pieces.emplace_back(answer.substr(0, p));
    answer.remove_prefix(p + 1);
  }
  return pieces;
}

std::vector<std::string> file_entries(std::string_view bytes) {
  std::vector<std::string> entries;
  std::string line;
  for (std::size_t i = 0; i <= bytes.size(); ++i) {
    if (i < bytes.size() && bytes[i] != '\r' && bytes[i] != '\n') {
      line += bytes[i];
      continue;
    }
    if (line.size() >= 2) entries.push_back(line);
    line.clear();
    if (i + 1 < bytes.size() && bytes[i] == '\r' && bytes[i + 1] == '\n') ++i;
  }
  return entries;
}

std::string join_entries(const std::vector<std::string>& entries) {
  std::string text;
  for (const auto& entry : entries) text += entry + "\r\n";
  return text;
}

static Line parse(const std::string& line, int drop) {
  Line out;
  if (line.size() < 2) {  // too short to read: every field and value is one space
    out.fld.fill(" ");
    out.val1 = out.val3 = out.val11 = " ";
    return out;
  }
  // Ten fields end at a comma; once the commas run out, every field left holds
  // the rest of the line.
  std::string rest = line;
  for (int i = 0; i < 10; ++i) {
    const auto comma = rest.find(',');
    std::string text = rest.substr(0, comma);
    if (i == 0 && drop > 0)
      text = text.size() > static_cast<std::size_t>(drop) ? text.substr(drop) : "";
    out.fld[i] = trim(text);
    if (comma != std::string::npos) rest = rest.substr(comma + 1);
  }
  out.fld[10] = trim(rest);
  out.val1 = value(out.fld[0]);
  out.val3 = value(out.fld[2]);
  out.val11 = value(out.fld[10]);
  // A server line's field 1 loses one more character unless it starts with m or M.
  if (drop > 0 && !out.fld[0].empty() && out.fld[0][0] != 'm' && out.fld[0][0] != 'M') {
    out.fld[0].erase(0, 1);
  }
  return out;
}

Line read_line(const std::string& line, int drop) {
  // Remembered, like stamps: the model reads every line once per comparison.
  static std::map<std::pair<std::string, int>, Line> known;
  const auto found = known.find({line, drop});
  return found != known.end() ? found->second : known[{line, drop}] = parse(line, drop);
}

std::string canonical(const Line& line) {
  std::string text = trim(line.fld[0]);
  for (int i = 1; i < 11; ++i) text += "," + trim(line.fld[i]);
  return text;
}

namespace {

std::optional<std::array<int, 6>> read_stamp(const std::string& val1) {
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
      const char half = trim(m[7].str())[0];
      t[3] = t[3] % 12 + (half == 'P' || half == 'p' ? 12 : 0);
    }
  } else {
    return std::nullopt;
  }
  const int year = t[0], month = t[1];
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int days[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || month < 1 || month > 12 || t[2] < 1 || t[2] > days[month - 1])
    return std::nullopt;
  if (t[3] > 23 || t[4] > 59 || t[5] > 59) return std::nullopt;
  return t;
}

}  // namespace

std::optional<std::array<int, 6>> stamp_of(const std::string& val1) {
  // Remembered: the model reads the same few values again and again.
  static std::map<std::string, std::optional<std::array<int, 6>>> known;
  const auto found = known.find(val1);
  return found != known.end() ? found->second : known[val1] = read_stamp(val1);
}

void SyncOrders(FetcherLists& lists, bool& srvseen) {
  // Phase A.
  for (const std::string& piece : lists.listData) {
    if (piece.size() < 2) continue;  // an empty or one-character piece is not an order
    const std::string newlogline = canonical(read_line(piece, srvseen ? 1 : 2));
    srvseen = true;
    if (newlogline.find_first_of("\r\n") != std::string::npos) continue;
    // The version as the log holds it, once written and read back.
    const std::string wanted = version_key(read_line(newlogline, 0));
    const bool known =
        std::any_of(lists.lumarilog.begin(), lists.lumarilog.end(),
                    [&](const std::string& l) { return version_key(read_line(l, 0)) == wanted; });
    if (!known) lists.lumarilog.push_back(newlogline);
  }
  // Phase B.
  const std::size_t logged = lists.lumarilog.size();
  for (std::size_t i = 0; i < logged; ++i) {
    const Line logrec = read_line(lists.lumarilog[i], 0);
    const bool listed = std::any_of(
        lists.ServerOrd.begin(), lists.ServerOrd.end(),
        [&](const std::string& l) { return order_key(read_line(l, 0)) == order_key(logrec); });
    if (!listed) lists.ServerOrd.push_back(canonical(logrec));
  }
  RefreshOrders(lists);
}

void RefreshOrders(FetcherLists& lists) {
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
      const Line logrec = read_line(l, 0);
      if (order_key(logrec) != order_key(ordrec)) continue;
      // A stamp that does not read is later than nothing; every stamp that reads
      // is later than one that does not.
      const auto u = stamp_of(logrec.val1);
      if (!u || (t && *u <= *t)) continue;
      const auto at = position_of(entry);
      ServerOrd.erase(ServerOrd.begin() + at);
      stands_for.erase(stands_for.begin() + at);
      ServerOrd.push_back(canonical(logrec));
      stands_for.push_back(entry);
    }
  }
}

}  // namespace lumari::test::reference
