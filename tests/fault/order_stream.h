// A service's order stream for long runs: orders open, change and close as
// time passes, and each request gets the open orders (sometimes with short
// pieces, garbage, repeats or a cut-off end), an idle answer, an error page or
// no answer at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "ports/clock.h"
#include "ports/result.h"

namespace lumari::test {

/// How often each thing happens, in percent.
struct StreamRates {
  int idle = 20;
  int error_page = 3;
  int no_answer = 3;
  int empty = 2;        ///< an orders answer without lines
  int open = 1;         ///< per answer, while fewer than max_open orders are open
  int change = 3;       ///< per open order and answer: a new version
  int close = 1;        ///< per open order and answer
  int repeat_line = 5;  ///< a line twice in one answer
  int short_piece = 5;  ///< an empty or one-character piece
  int garbage = 3;      ///< a piece that is no proper order line
  int cut_off = 3;      ///< the last piece without its ";", so it is not a line
  std::size_t max_open = 6;
};

/// What the stream has sent, so a soak can show it covered every kind.
struct StreamCounts {
  std::size_t orders = 0, idle = 0, error_pages = 0, no_answer = 0, empty = 0;
  std::size_t opened = 0, changed = 0, closed = 0;
  std::size_t repeats = 0, short_pieces = 0, garbage = 0, cut_off = 0;
};

class OrderStream {
 public:
  explicit OrderStream(std::uint64_t seed, StreamRates rates = {});

  /// The service's orders move on to this time; then the answer to one request.
  [[nodiscard]] core::Result<std::string> answer_at(const core::DateTime& now);

  [[nodiscard]] const StreamCounts& counts() const { return counts_; }

 private:
  struct OpenOrder {
    int ticket = 0;
    std::string line;       ///< its latest version
    int answers_left = -1;  ///< once closed: answers that still carry it
  };

  [[nodiscard]] bool chance(int percent);
  [[nodiscard]] std::size_t pick(std::size_t n);
  [[nodiscard]] std::string price();
  void move_on(const core::DateTime& now);
  [[nodiscard]] std::string garbage_piece();
  [[nodiscard]] std::string orders_text();

  std::mt19937_64 rng_;
  StreamRates rates_;
  StreamCounts counts_;
  std::vector<OpenOrder> open_;
  int next_ticket_ = 5001;
};

}  // namespace lumari::test
