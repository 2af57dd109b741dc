#include "order_stream.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace lumari::demo {
namespace {

using namespace std::chrono_literals;

struct Symbol {
  const char* name;
  std::int64_t base;  // a typical price, in points
  int digits;
  std::int64_t stop_min;  // distance of stop loss and take profit, in points
  std::int64_t stop_max;
};

constexpr std::array<Symbol, 6> kSymbols{{
    {"EURUSD", 108000, 5, 150, 600},
    {"GBPUSD", 126500, 5, 200, 700},
    {"USDJPY", 148500, 3, 150, 600},
    {"AUDUSD", 65800, 5, 150, 500},
    {"USDCHF", 88200, 5, 150, 500},
    {"XAUUSD", 203000, 2, 300, 1500},
}};

constexpr int kIdleChance = 35;      // percent of steps without any event
constexpr int kTwoEventChance = 30;  // percent of busy steps with two events
constexpr int kOpenWeight = 40;
constexpr int kModifyWeight = 35;
constexpr int kCloseWeight = 25;
constexpr int kWindDownCloseWeight = 50;  // once no order may be opened any more

// A fixed Monday morning, so every run writes the same stamps.
constexpr std::chrono::sys_seconds kStreamStart =
    std::chrono::sys_days{std::chrono::year{2026} / std::chrono::January / 5} + 9h;

// Each system gets its own sequence from the one seed of the run.
std::uint64_t system_seed(std::uint64_t seed, const std::string& systemid) {
  std::uint64_t hash = 0xCBF29CE484222325ULL;  // FNV-1a
  for (const char c : systemid) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001B3ULL;
  }
  return seed ^ hash;
}

}  // namespace

std::string stamp_text(std::chrono::sys_seconds time) {
  const auto day = std::chrono::floor<std::chrono::days>(time);
  const std::chrono::year_month_day date{day};
  const std::chrono::hh_mm_ss clock{time - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d.%02u.%02u %02d:%02d:%02d", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                static_cast<int>(clock.seconds().count()));
  return text;
}

std::string price_text(std::int64_t points, int digits) {
  std::int64_t scale = 1;
  for (int i = 0; i < digits; ++i) scale *= 10;
  const std::string sign = points < 0 ? "-" : "";
  const std::int64_t magnitude = points < 0 ? -points : points;
  std::string fraction = std::to_string(magnitude % scale);
  fraction.insert(0, static_cast<std::size_t>(digits) - fraction.size(), '0');
  return sign + std::to_string(magnitude / scale) + (digits > 0 ? "." + fraction : "");
}

OrderStream::OrderStream(std::string systemid, const StreamSettings& settings)
    : systemid_(std::move(systemid)),
      settings_(settings),
      rng_(system_seed(settings.seed, systemid_)),
      now_(kStreamStart) {}

int OrderStream::open_count() const {
  return static_cast<int>(std::count_if(orders_.begin(), orders_.end(),
                                        [](const Order& order) { return !order.closed; }));
}

void OrderStream::step() {
  now_ += std::chrono::seconds{rng_.between(1, 30)};
  if (rng_.percent(kIdleChance)) return;
  const int events = rng_.percent(kTwoEventChance) ? 2 : 1;
  std::vector<std::size_t> touched;
  for (int i = 0; i < events; ++i) {
    // Two events of one step never share a stamp.
    if (i > 0) now_ += 1s;
    event(touched);
  }
}

void OrderStream::event(std::vector<std::size_t>& touched) {
  const bool may_open = open_count() < settings_.max_open &&
                        (settings_.max_orders == 0 || opened_ < settings_.max_orders);
  std::vector<std::size_t> movable;
  for (std::size_t i = 0; i < orders_.size(); ++i) {
    if (!orders_[i].closed && std::find(touched.begin(), touched.end(), i) == touched.end()) {
      movable.push_back(i);
    }
  }
  const int open_weight = may_open ? kOpenWeight : 0;
  const int modify_weight = movable.empty() ? 0 : kModifyWeight;
  const int close_weight = movable.empty() ? 0 : (may_open ? kCloseWeight : kWindDownCloseWeight);
  const int total = open_weight + modify_weight + close_weight;
  if (total == 0) return;
  const auto pick = rng_.between(0, total - 1);
  if (pick < open_weight) {
    open_order();
    touched.push_back(orders_.size() - 1);
    return;
  }
  const auto index = movable[static_cast<std::size_t>(
      rng_.between(0, static_cast<std::int64_t>(movable.size()) - 1))];
  touched.push_back(index);
  if (pick < open_weight + modify_weight) {
    modify_order(orders_[index]);
  } else {
    close_order(orders_[index]);
  }
}

void OrderStream::open_order() {
  Order order;
  order.ticket = next_ticket_++;
  order.symbol = static_cast<std::size_t>(rng_.between(0, kSymbols.size() - 1));
  const Symbol& symbol = kSymbols[order.symbol];
  order.buy = rng_.percent(50);
  order.lots = static_cast<int>(rng_.between(1, 200));
  order.open_price = symbol.base + rng_.between(-symbol.base / 100, symbol.base / 100);
  const auto loss = rng_.between(symbol.stop_min, symbol.stop_max);
  const auto profit = rng_.between(symbol.stop_min, symbol.stop_max) * 2;
  order.stop_loss = order.buy ? order.open_price - loss : order.open_price + loss;
  order.take_profit = order.buy ? order.open_price + profit : order.open_price - profit;
  orders_.push_back(order);
  ++opened_;
  new_version(orders_.back());
}

void OrderStream::modify_order(Order& order) {
  // A trailing stop: the stop loss always follows the trade, the target moves a little.
  const Symbol& symbol = kSymbols[order.symbol];
  const auto trail = rng_.between(10, symbol.stop_min / 2);
  const auto shift = rng_.between(-symbol.stop_min / 4, symbol.stop_min / 4);
  order.stop_loss += order.buy ? trail : -trail;
  order.take_profit += shift;
  new_version(order);
}

void OrderStream::close_order(Order& order) {
  order.closed = true;
  new_version(order);
}

void OrderStream::new_version(Order& order) {
  const Symbol& symbol = kSymbols[order.symbol];
  ++order.version;
  order.changed = ++last_event_;
  char sequence[8];
  std::snprintf(sequence, sizeof sequence, "%02d", order.version % 100);
  order.line = "mtime=" + stamp_text(now_) + sequence + "," + symbol.name +
               ",ticket=" + std::to_string(order.ticket) + "," + (order.buy ? "BUY" : "SELL") +
               "," + price_text(order.lots, 2) + "," + price_text(order.open_price, symbol.digits) +
               "," + price_text(order.stop_loss, symbol.digits) + "," +
               price_text(order.take_profit, symbol.digits) + "," +
               (order.closed ? "CLOSED" : "OPEN") + ",demo,magic=" + systemid_;
}

std::vector<std::string> OrderStream::lines_since(std::uint64_t since, bool include_open) const {
  std::vector<const Order*> chosen;
  for (const auto& order : orders_) {
    if (order.changed > since || (include_open && !order.closed)) chosen.push_back(&order);
  }
  std::sort(chosen.begin(), chosen.end(),
            [](const Order* a, const Order* b) { return a->changed < b->changed; });
  std::vector<std::string> lines;
  lines.reserve(chosen.size());
  for (const Order* order : chosen) lines.push_back(order->line);
  return lines;
}

}  // namespace lumari::demo
