// The scripted order stream of one trade system. A simulated clock and a seeded
// random source move orders through their life: a first version when opened,
// later versions with new prices, a final version with status CLOSED. The same
// seed and the same number of steps always give the same lines.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "rng.h"

namespace lumari::demo {

/// What shapes every stream of a run.
struct StreamSettings {
  std::uint64_t seed = 1;
  int max_open = 5;    ///< orders open at one time
  int max_orders = 0;  ///< orders opened in all; 0 means no limit
};

class OrderStream {
 public:
  OrderStream(std::string systemid, const StreamSettings& settings);

  /// One step: the clock moves on by 1 to 30 s, then nothing happens or one or
  /// two events, each on a different order, 1 s apart.
  void step();

  /// Number of the last event so far; 0 before the first.
  [[nodiscard]] std::uint64_t last_event() const { return last_event_; }

  /// Latest line of every order changed by an event after `since`, and with
  /// include_open of every open order too; each order once, oldest change first.
  [[nodiscard]] std::vector<std::string> lines_since(std::uint64_t since, bool include_open) const;

 private:
  struct Order {
    std::int64_t ticket = 0;
    std::size_t symbol = 0;
    bool buy = true;
    int lots = 0;                 // hundredths of a lot
    std::int64_t open_price = 0;  // in points of the symbol
    std::int64_t stop_loss = 0;
    std::int64_t take_profit = 0;
    bool closed = false;
    int version = 0;
    std::uint64_t changed = 0;  // number of the event that made the latest version
    std::string line;
  };

  void event(std::vector<std::size_t>& touched);
  void open_order();
  void modify_order(Order& order);
  void close_order(Order& order);
  void new_version(Order& order);
  [[nodiscard]] int open_count() const;

  std::string systemid_;
  StreamSettings settings_;
  Rng rng_;
  std::chrono::sys_seconds now_;
  std::vector<Order> orders_;
  std::int64_t next_ticket_ = 1001;
  int opened_ = 0;
  std::uint64_t last_event_ = 0;
};

/// "yyyy.mm.dd hh:mm:ss", the stamp form of the order lines.
[[nodiscard]] std::string stamp_text(std::chrono::sys_seconds time);

/// A price held in points written with the symbol's decimals (108012, 5 -> "1.08012").
[[nodiscard]] std::string price_text(std::int64_t points, int digits);

}  // namespace lumari::demo
