#include "random_cases.h"

#include <array>
#include <cstdio>

namespace lumari::test {

namespace {

struct Moment {
  int year, month, day, hour, minute, second;
};

// Few moments, so that equal stamps are frequent; the last has a day over 12 so
// that the day-first form can be written.
constexpr std::array<Moment, 5> kMoments = {{{2026, 12, 5, 9, 0, 0},
                                             {2026, 12, 5, 10, 30, 0},
                                             {2026, 12, 5, 10, 30, 15},
                                             {2026, 12, 5, 14, 3, 7},
                                             {2026, 12, 15, 8, 0, 0}}};

// "12"+"3" and "1"+"23" collide, so do ""+"123" and "123"+"".
constexpr std::array<std::string_view, 6> kVal3 = {"1", "12", "123", "", "A", "a"};
constexpr std::array<std::string_view, 6> kVal11 = {"23", "3", "", "1", "B", "b"};
constexpr std::array<std::string_view, 8> kCarried = {"b",   "",  "BUY", "1.0850",
                                                      "b b", "0", "q",   "=x"};
// Characters in front of a server line; never "X", "Y" or "<", which would make
// the answer look like an idle, logout or error answer at some positions.
constexpr std::array<std::string_view, 7> kLead = {"\n", "\r", "x", "m", "M", " ", "?"};
constexpr std::array<std::string_view, 5> kTail = {"00", "ab", " 0", "07", "zz"};
constexpr std::array<std::string_view, 6> kUnreadable = {
    "soon00", "", "1", "2026.02.30 10:0000", "12/5/2026 2:03PM00", "9"};
constexpr std::array<std::string_view, 3> kLineEnds = {"\r\n", "\n", "\r"};

std::string two(int n) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", n);
  return buf;
}

}  // namespace

RandomCases::RandomCases(std::uint64_t seed) : rng_(seed) {}

bool RandomCases::chance(int percent) { return pick(100) < static_cast<std::size_t>(percent); }

std::size_t RandomCases::pick(std::size_t n) {
  return static_cast<std::size_t>(rng_() % static_cast<std::uint64_t>(n));
}

std::string RandomCases::stamp_text() {
  if (chance(10)) return std::string(kUnreadable[pick(kUnreadable.size())]);
  const Moment& m = kMoments[pick(kMoments.size())];
  const std::string y = std::to_string(m.year);
  const std::string hm = two(m.hour) + ":" + two(m.minute);
  const std::string hms = hm + ":" + two(m.second);
  std::string text;
  switch (pick(8)) {
    case 0: text = y + "." + two(m.month) + "." + two(m.day) + " " + hms; break;
    case 1: text = y + "." + two(m.month) + "." + two(m.day) + " " + hm; break;
    case 2: text = y + "-" + two(m.month) + "-" + two(m.day) + "T" + hms; break;
    case 3: text = y + "/" + two(m.month) + "/" + two(m.day) + " " + hms; break;
    case 4: {
      const int h12 = m.hour % 12 == 0 ? 12 : m.hour % 12;
      text = std::to_string(m.month) + "/" + std::to_string(m.day) + "/" + y + " " +
             std::to_string(h12) + ":" + two(m.minute) + ":" + two(m.second) +
             (m.hour < 12 ? " AM" : " PM");
      break;
    }
    case 5:
      if (m.day > 12) {
        text = std::to_string(m.day) + "/" + std::to_string(m.month) + "/" + y + " " + hms;
      } else {
        text = std::to_string(m.month) + "/" + std::to_string(m.day) + "/" + y + " " + hms;
      }
      break;
    case 6: text = y + "." + two(m.month) + "." + two(m.day); break;
    default: text = y + "-" + two(m.month) + "-" + two(m.day) + " " + hms; break;
  }
  return text + std::string(kTail[pick(kTail.size())]);
}

std::string RandomCases::spaced(std::string_view text) {
  std::string out;
  if (chance(20)) out.append(1 + pick(2), ' ');
  out += text;
  if (chance(20)) out.append(1 + pick(2), ' ');
  return out;
}

std::vector<VersionPlan> RandomCases::versions(std::size_t max_orders, std::size_t max_versions) {
  std::vector<VersionPlan> plans;
  const std::size_t orders = 1 + pick(max_orders);
  const std::size_t count = 1 + pick(max_versions);
  for (std::size_t i = 0; i < count; ++i) {
    VersionPlan plan;
    const std::size_t order = pick(orders);
    plan.val3 = kVal3[order % kVal3.size()];
    plan.val11 = kVal11[(order / kVal3.size() + order * 5 + 1) % kVal11.size()];
    if (chance(10)) {
      // A colliding spelling of some order key.
      plan.val3 = kVal3[pick(kVal3.size())];
      plan.val11 = kVal11[pick(kVal11.size())];
    }
    const std::string stamp = stamp_text();
    switch (pick(12)) {
      case 0: plan.field1 = "M=" + stamp; break;
      case 1: plan.field1 = "mt = " + stamp; break;
      case 2: plan.field1 = "x=" + stamp; break;
      case 3: plan.field1 = stamp; break;  // no "=": the whole field is the value
      case 4: plan.field1 = "kv"; break;
      default: plan.field1 = "m=" + stamp; break;
    }
    plans.push_back(std::move(plan));
  }
  return plans;
}

std::string RandomCases::line_of(const VersionPlan& plan) {
  std::array<std::string, 11> fields;
  fields[0] = spaced(plan.field1);
  for (std::size_t i = 1; i < 10; ++i) fields[i] = spaced(kCarried[pick(kCarried.size())]);
  fields[2] = spaced(chance(5) ? plan.val3 : "c=" + spaced(plan.val3));
  fields[10] = spaced(chance(5) ? plan.val11 : "k=" + spaced(plan.val11));
  if (chance(8)) fields[10] += ",extra,k2=" + plan.val11;
  // Sometimes fewer than eleven fields.
  const std::size_t count = chance(10) ? 1 + pick(10) : 11;
  std::string line;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) line += ',';
    line += fields[i];
  }
  return line;
}

std::string RandomCases::file(const std::vector<VersionPlan>& plans, std::size_t max_lines) {
  std::string bytes;
  const std::size_t lines = pick(max_lines + 1);
  for (std::size_t i = 0; i < lines; ++i) {
    if (chance(5)) {
      bytes += chance(50) ? "" : "j";  // an empty or one-character line
    } else {
      bytes += line_of(plans[pick(plans.size())]);
    }
    bytes += chance(85) ? "\r\n" : kLineEnds[pick(kLineEnds.size())];
  }
  if (!bytes.empty() && chance(10)) bytes.pop_back();
  return bytes;
}

std::string RandomCases::current_file(std::string_view log, const std::vector<VersionPlan>& plans) {
  std::vector<std::string> log_lines;
  std::string line;
  for (const char c : log) {
    if (c == '\r' || c == '\n') {
      if (line.size() >= 2) log_lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (line.size() >= 2) log_lines.push_back(line);

  std::string bytes;
  const std::size_t lines = pick(7);
  for (std::size_t i = 0; i < lines; ++i) {
    if (!log_lines.empty() && chance(70)) {
      bytes += log_lines[pick(log_lines.size())];
    } else {
      bytes += line_of(plans[pick(plans.size())]);
    }
    bytes += "\r\n";
  }
  return bytes;
}

std::string RandomCases::answer(const std::vector<VersionPlan>& plans, std::size_t max_pieces) {
  std::string text;
  const std::size_t pieces = pick(max_pieces + 1);
  for (std::size_t i = 0; i < pieces; ++i) {
    if (chance(8)) {
      text += chance(50) ? "" : "m";  // an empty or one-character piece
    } else {
      std::string piece = line_of(plans[pick(plans.size())]);
      if (chance(5)) piece.insert(pick(piece.size() + 1), chance(50) ? "\r" : "\n");
      const std::size_t lead = chance(10) ? pick(3) : 1;
      for (std::size_t k = 0; k < lead; ++k) text += kLead[pick(kLead.size())];
      text += piece;
    }
    text += ';';
  }
  // Text after the last ";" is not a server line.
  if (chance(15)) text += "\n" + line_of(plans[pick(plans.size())]);
  return text;
}

}  // namespace lumari::test
