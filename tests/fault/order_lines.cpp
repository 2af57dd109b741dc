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

}  // namespace lumari::test
