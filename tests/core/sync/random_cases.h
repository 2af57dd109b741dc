// Random order logs, current-order files and answers for comparing the core with
// the reference model: few orders and moments, so that repeated versions, equal
// stamps and colliding keys are common, written in many shapes.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "reference_model.h"

namespace lumari::test {

struct VersionPlan {
  std::string field1, val3, val11;  ///< field 1 ("m=" stamp, or odd shapes), and the order key
};

class RandomCases {
 public:
  explicit RandomCases(std::uint64_t seed) : rng_(seed) {}

  bool chance(int percent) { return pick(100) < std::size_t(percent); }
  std::size_t pick(std::size_t n) { return std::size_t(rng_() % n); }

  /// Some versions of some orders for one case.
  std::vector<VersionPlan> versions(std::size_t max_orders, std::size_t max_versions) {
    // "12"+"3" and "1"+"23" collide, so do ""+"123" and "123"+"".
    static constexpr std::array<std::string_view, 6> val3 = {"1", "12", "123", "", "A", "a"};
    static constexpr std::array<std::string_view, 6> val11 = {"23", "3", "", "1", "B", "b"};
    static constexpr std::array<std::string_view, 5> field1 = {"M=", "mt = ", "x=", "", "m="};
    std::vector<VersionPlan> plans(1 + pick(max_versions));
    const std::size_t orders = 1 + pick(max_orders);
    for (auto& plan : plans) {
      const std::size_t order =
          chance(10) ? pick(36) : pick(orders);  // sometimes a colliding spelling
      plan.val3 = val3[order % 6];
      plan.val11 = val11[(order / 6 + order * 5 + 1) % 6];
      const std::size_t shape = pick(12);
      plan.field1 =
          shape == 5 ? "kv" : std::string(field1[std::min<std::size_t>(shape, 4)]) + stamp_text();
    }
    return plans;
  }

  /// A line of one of the versions, with random carried fields and spacing.
  std::string line_of(const VersionPlan& plan) {
    static constexpr std::array<std::string_view, 8> carried = {"b",   "",  "BUY", "1.0850",
                                                                "b b", "0", "q",   "=x"};
    std::array<std::string, 11> fields;
    fields[0] = spaced(plan.field1);
    for (std::size_t i = 1; i < 10; ++i) fields[i] = spaced(carried[pick(carried.size())]);
    fields[2] = spaced(chance(5) ? plan.val3 : "c=" + spaced(plan.val3));
    fields[10] = spaced(chance(5) ? plan.val11 : "k=" + spaced(plan.val11));
    if (chance(8)) fields[10] += ",extra,k2=" + plan.val11;
    std::string line = fields[0];
    for (std::size_t i = 1, count = chance(10) ? 1 + pick(10) : 11; i < count; ++i)
      line += "," + fields[i];
    return line;
  }

  /// File bytes of lines of the versions, with mixed line ends and junk lines.
  std::string file(const std::vector<VersionPlan>& plans, std::size_t max_lines) {
    static constexpr std::array<std::string_view, 3> ends = {"\r\n", "\n", "\r"};
    std::string bytes;
    for (std::size_t i = pick(max_lines + 1); i > 0; --i) {
      bytes += chance(6) ? std::string("jk", pick(3))
                         : line_of(plans[pick(plans.size())]);  // junk lines of 0, 1, 2 characters
      bytes += chance(85) ? "\r\n" : ends[pick(3)];
    }
    if (!bytes.empty() && chance(10)) bytes.pop_back();
    return bytes;
  }

  /// File bytes of lines mostly picked from the order log's lines.
  std::string current_file(std::string_view log, const std::vector<VersionPlan>& plans) {
    const std::vector<std::string> lines = reference::file_entries(log);
    std::string bytes;
    for (std::size_t i = pick(7); i > 0; --i) {
      bytes += (!lines.empty() && chance(70) ? lines[pick(lines.size())]
                                             : line_of(plans[pick(plans.size())])) +
               "\r\n";
    }
    return bytes;
  }

  /// The file's bytes as the MT4 side may leave them: one byte changed, the first
  /// line gone, a line added, or nothing left.
  std::string edited(std::string bytes, const std::vector<VersionPlan>& plans) {
    static constexpr std::string_view put = "0159:,\n=x";
    const std::size_t kind = pick(4), line_end = bytes.find('\n');
    if (kind == 0 && !bytes.empty()) bytes[pick(bytes.size())] = put[pick(put.size())];
    if (kind == 1) bytes.erase(0, line_end == std::string::npos ? bytes.size() : line_end + 1);
    if (kind == 2) bytes += line_of(plans[pick(plans.size())]) + "\r\n";
    if (kind == 3) bytes.clear();
    return bytes;
  }

  /// An answer: server lines of the versions with one or two leading characters
  /// (never "X", "Y" or "<", which would make it another kind of answer), short
  /// pieces, pieces with line breaks, and text after the last ";".
  std::string answer(const std::vector<VersionPlan>& plans, std::size_t max_pieces) {
    static constexpr std::array<std::string_view, 7> lead = {"\n", "\r", "x", "m", "M", " ", "?"};
    std::string text;
    for (std::size_t i = pick(max_pieces + 1); i > 0; --i) {
      if (chance(8)) {
        text += chance(50) ? ";" : "m;";
        continue;
      }
      std::string piece = line_of(plans[pick(plans.size())]);
      if (chance(5)) piece.insert(pick(piece.size() + 1), chance(50) ? "\r" : "\n");
      for (std::size_t k = chance(10) ? pick(3) : 1; k > 0; --k) text += lead[pick(lead.size())];
      text += piece + ";";
    }
    if (chance(15)) text += "\n" + line_of(plans[pick(plans.size())]);
    return text;
  }

 private:
  // One of few moments, in one of the written forms, with two characters after
  // it; now and then a text that does not read as a stamp.
  std::string stamp_text() {
    static constexpr std::array<std::string_view, 6> unreadable = {
        "soon00", "", "1", "2026.02.30 10:0000", "12/5/2026 2:03PM00", "9"};
    static constexpr std::array<std::string_view, 5> tails = {"00", "ab", " 0", "07", "zz"};
    // The last moment's day is over 12, so that the day-first form can be written.
    static constexpr int moments[5][6] = {{2026, 12, 5, 9, 0, 0},
                                          {2026, 12, 5, 10, 30, 0},
                                          {2026, 12, 5, 10, 30, 15},
                                          {2026, 12, 5, 14, 3, 7},
                                          {2026, 12, 15, 8, 0, 0}};
    if (chance(10)) return std::string(unreadable[pick(unreadable.size())]);
    const int* m = moments[pick(5)];
    const auto two = [](int n) { return std::string(n < 10 ? "0" : "") + std::to_string(n); };
    const std::string y = std::to_string(m[0]), md = two(m[1]) + "." + two(m[2]),
                      hm = two(m[3]) + ":" + two(m[4]);
    const std::string hms = hm + ":" + two(m[5]), dashed = y + "-" + two(m[1]) + "-" + two(m[2]);
    const std::string month_first = std::to_string(m[1]) + "/" + std::to_string(m[2]) + "/" + y;
    const std::string day_first = std::to_string(m[2]) + "/" + std::to_string(m[1]) + "/" + y;
    std::string text;
    switch (pick(8)) {
      case 0: text = y + "." + md + " " + hms; break;
      case 1: text = y + "." + md + " " + hm; break;
      case 2: text = dashed + "T" + hms; break;
      case 3: text = y + "/" + two(m[1]) + "/" + two(m[2]) + " " + hms; break;
      case 4:
        text = month_first + " " + std::to_string(m[3] % 12 == 0 ? 12 : m[3] % 12) + ":" +
               two(m[4]) + ":" + two(m[5]) + (m[3] < 12 ? " AM" : " PM");
        break;
      case 5: text = (m[2] > 12 ? day_first : month_first) + " " + hms; break;
      case 6: text = y + "." + md; break;
      default: text = dashed + " " + hms; break;
    }
    return text + std::string(tails[pick(tails.size())]);
  }

  std::string spaced(std::string_view text) {
    std::string out = chance(20) ? std::string(1 + pick(2), ' ') : "";
    out += text;
    if (chance(20)) out.append(1 + pick(2), ' ');
    return out;
  }

  std::mt19937_64 rng_;
};

}  // namespace lumari::test
