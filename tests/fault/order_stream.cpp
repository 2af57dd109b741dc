#include "order_stream.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string_view>

#include "order_lines.h"

namespace lumari::test {

namespace {

constexpr std::array<std::string_view, 4> kSymbols = {"EURUSD", "USDJPY", "GBPUSD", "XAUUSD"};

}  // namespace

OrderStream::OrderStream(std::uint64_t seed, StreamRates rates) : rng_(seed), rates_(rates) {}

bool OrderStream::chance(int percent) { return pick(100) < static_cast<std::size_t>(percent); }

std::size_t OrderStream::pick(std::size_t n) {
  return static_cast<std::size_t>(rng_() % static_cast<std::uint64_t>(n));
}

std::string OrderStream::price() {
  char text[16];
  std::snprintf(text, sizeof text, "1.%04zu", pick(10000));
  return text;
}

void OrderStream::move_on(const core::DateTime& now) {
  for (auto it = open_.begin(); it != open_.end();) {
    if (it->answers_left == 0) {
      it = open_.erase(it);
      continue;
    }
    if (it->answers_left < 0) {
      if (chance(rates_.close)) {
        it->line = order_line(it->ticket, now, price(), "closed", kSymbols[it->ticket % 4]);
        it->answers_left = 1 + static_cast<int>(pick(3));
        ++counts_.closed;
      } else if (chance(rates_.change)) {
        it->line = order_line(it->ticket, now, price(), "open", kSymbols[it->ticket % 4]);
        ++counts_.changed;
      }
    }
    ++it;
  }
  if (open_.size() < rates_.max_open && chance(rates_.open)) {
    const int ticket = next_ticket_++;
    open_.push_back({ticket, order_line(ticket, now, price(), "open", kSymbols[ticket % 4])});
    ++counts_.opened;
  }
}

std::string OrderStream::garbage_piece() {
  ++counts_.garbage;
  const std::string ticket =
      open_.empty() ? "77" : std::to_string(open_[pick(open_.size())].ticket);
  switch (pick(5)) {
    case 0: return "??";
    case 1: return "hello from the service";
    case 2: return ",,,,";
    // A version of an open order whose stamp does not read.
    case 3: return "m=soon00,EURUSD,t=" + ticket + ",buy,0.10,1.0,0,0,open,x,s=7";
    default: return "m=2026.13.45 99:99:9900,EURUSD,t=" + ticket + ",sell,0.1";
  }
}

std::string OrderStream::orders_text() {
  std::vector<std::string> pieces;
  for (const auto& order : open_) pieces.push_back(order.line);
  for (auto& order : open_) {
    if (order.answers_left > 0) --order.answers_left;
  }
  if (chance(30)) std::shuffle(pieces.begin(), pieces.end(), rng_);
  if (!pieces.empty() && chance(rates_.repeat_line)) {
    pieces.insert(pieces.begin() + static_cast<std::ptrdiff_t>(pick(pieces.size() + 1)),
                  pieces[pick(pieces.size())]);
    ++counts_.repeats;
  }
  if (chance(rates_.garbage)) {
    pieces.insert(pieces.begin() + static_cast<std::ptrdiff_t>(pick(pieces.size() + 1)),
                  garbage_piece());
  }
  std::string text = orders_answer(pieces);
  if (chance(rates_.short_piece)) {
    // Two ";" in a row, or one character between them.
    const std::size_t at = text.find(';');
    text.insert(at == std::string::npos ? text.size() : at + 1, chance(50) ? ";" : "m;");
    ++counts_.short_pieces;
  }
  if (!pieces.empty() && chance(rates_.cut_off)) {
    text.pop_back();
    ++counts_.cut_off;
  }
  return text;
}

core::Result<std::string> OrderStream::answer_at(const core::DateTime& now) {
  move_on(now);
  const std::size_t roll = pick(100);
  std::size_t bound = static_cast<std::size_t>(rates_.idle);
  if (roll < bound) {
    ++counts_.idle;
    return std::string("\r\nXXX");
  }
  if (roll < (bound += static_cast<std::size_t>(rates_.error_page))) {
    ++counts_.error_pages;
    return std::string("<html><body>Service Unavailable</body></html>");
  }
  if (roll < (bound += static_cast<std::size_t>(rates_.no_answer))) {
    ++counts_.no_answer;
    return core::Error{"connection refused"};
  }
  if (roll < (bound += static_cast<std::size_t>(rates_.empty))) {
    ++counts_.empty;
    return std::string();
  }
  ++counts_.orders;
  return orders_text();
}

}  // namespace lumari::test
