#include "order_lines.h"

#include <chrono>
#include <cstdio>

namespace lumari::test {

core::DateTime add_seconds(const core::DateTime& when, long long seconds) {
  using namespace std::chrono;
  const sys_days day = year_month_day{year{when.year}, month{static_cast<unsigned>(when.month)},
                                      std::chrono::day{static_cast<unsigned>(when.day)}};
  const sys_seconds moment =
      day + hours{when.hour} + minutes{when.minute} + std::chrono::seconds{when.second + seconds};
  const sys_days new_day = floor<days>(moment);
  const year_month_day ymd{new_day};
  const hh_mm_ss<std::chrono::seconds> time{moment - new_day};
  return core::DateTime{static_cast<int>(ymd.year()),
                        static_cast<int>(static_cast<unsigned>(ymd.month())),
                        static_cast<int>(static_cast<unsigned>(ymd.day())),
                        static_cast<int>(time.hours().count()),
                        static_cast<int>(time.minutes().count()),
                        static_cast<int>(time.seconds().count())};
}

std::string stamp_text(const core::DateTime& when) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d.%02d.%02d %02d:%02d:%02d", when.year, when.month, when.day,
                when.hour, when.minute, when.second);
  return text;
}

std::string order_line(int ticket, const core::DateTime& stamp, std::string_view price,
                       std::string_view state, std::string_view symbol) {
  return "m=" + stamp_text(stamp) + "00," + std::string(symbol) + ",t=" + std::to_string(ticket) +
         ",buy,0.10," + std::string(price) + ",0,0," + std::string(state) + ",x,s=7";
}

std::string orders_answer(const std::vector<std::string>& pieces) {
  std::string text = "\r\n";
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) text += '\n';
    text += pieces[i];
    text += ';';
  }
  return text;
}

std::string crlf_lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

std::vector<std::string> crlf_split(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find("\r\n");
    if (end == std::string_view::npos) {
      lines.emplace_back(text);
      break;
    }
    lines.emplace_back(text.substr(0, end));
    text.remove_prefix(end + 2);
  }
  return lines;
}

std::string shown(std::string_view bytes) {
  std::string out;
  for (const char c : bytes) {
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default: out += c; break;
    }
  }
  return out;
}

}  // namespace lumari::test
