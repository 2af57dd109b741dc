// Notices of the problems a user should know of while a system is followed: the
// exchange files cannot be written, or the service has stopped answering. Each
// problem is told once when it starts and once when it is over, however many
// ticks it lasts and however its reason changes in between.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ports/ui.h"

namespace lumari::core {

/// What the notices need to know of one finished tick.
struct TickFacts {
  bool answered = true;               ///< some answer came from the service
  bool files_failed = false;          ///< an exchange file could not be read or written
  bool files_written = false;         ///< both exchange files were written
  std::string_view files_problem;     ///< why, when files_failed
  std::string_view no_answer_reason;  ///< why, when not answered; may be unknown (empty)
};

struct Notice {
  std::string text;
  NoticeKind kind;
  friend bool operator==(const Notice&, const Notice&) = default;
};

/// Ticks without an answer in a row that make a problem worth telling.
inline constexpr int kSilentTicksTold = 3;

class ProblemNotices {
 public:
  /// The notices one finished tick gives, in the order to show them.
  [[nodiscard]] std::vector<Notice> after_tick(const TickFacts& tick);
  /// Forgets every problem without telling its end: polling starts afresh.
  void reset() { *this = ProblemNotices(); }

 private:
  bool files_told_ = false;
  bool silence_told_ = false;
  int silent_ticks_ = 0;
  std::string silence_reason_;  ///< the last reason known in the current run of silent ticks
};

}  // namespace lumari::core
