#include "order_data.h"

#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace lumari::bench {

// One line per version: the stamp rises with the version's number, so later
// lines of the log are later versions.
std::string version_line(std::size_t order, std::size_t number) {
  const std::size_t seconds = number;
  const std::size_t day = 1 + seconds / 86400 % 28;
  const std::size_t month = 1 + seconds / (86400 * 28) % 12;
  const std::size_t hour = seconds / 3600 % 24;
  const std::size_t minute = seconds / 60 % 60;
  const std::size_t second = seconds % 60;
  char line[160];
  std::snprintf(line, sizeof line,
                "m=2026.%02zu.%02zu %02zu:%02zu:%02zu00,EURUSD,c=%zu,BUY,0.10,1.08500,1.08000,"
                "1.09000,0,open,k=%zu",
                month, day, hour, minute, second, 100000 + order, order % 7);
  return line;
}

namespace {

OrderData build(std::size_t log_lines) {
  OrderData data;
  data.log.reserve(log_lines * 96);
  // Line i is a version of order i modulo the number of orders.
  std::vector<std::size_t> latest(kCurrentOrders, 0);
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::vector<std::size_t> previous(kCurrentOrders, kNone);
  for (std::size_t i = 0; i < log_lines; ++i) {
    const std::size_t order = i % kCurrentOrders;
    if (i >= kCurrentOrders) previous[order] = latest[order];
    latest[order] = i;
    data.log += version_line(order, i);
    data.log += "\r\n";
  }
  // Every tenth order's current line is one version behind the log, so that the
  // pass has lines to replace.
  for (std::size_t order = 0; order < kCurrentOrders && order < log_lines; ++order) {
    const bool behind = order % 10 == 0 && previous[order] != kNone;
    data.current += version_line(order, behind ? previous[order] : latest[order]);
    data.current += "\r\n";
  }
  // Half the answer is versions the log holds, half new versions of orders.
  for (std::size_t k = 0; k < kServerLines; ++k) {
    const std::size_t order = k % kCurrentOrders;
    const bool known = k < kServerLines / 2 && order < log_lines;
    data.answer += '\n';
    data.answer += known ? version_line(order, latest[order]) : version_line(order, log_lines + k);
    data.answer += ';';
    if (!known) ++data.new_versions;
  }
  return data;
}

}  // namespace

const OrderData& order_data(std::size_t log_lines) {
  static std::map<std::size_t, std::unique_ptr<OrderData>> built;
  auto& slot = built[log_lines];
  if (!slot) slot = std::make_unique<OrderData>(build(log_lines));
  return *slot;
}

}  // namespace lumari::bench
