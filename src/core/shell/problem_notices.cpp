#include "shell/problem_notices.h"

namespace lumari::core {

std::vector<Notice> ProblemNotices::after_tick(const TickFacts& tick) {
  std::vector<Notice> notices;
  if (!tick.answered) {
    ++silent_ticks_;
    if (!tick.no_answer_reason.empty()) silence_reason_ = std::string(tick.no_answer_reason);
    if (!silence_told_ && silent_ticks_ >= kSilentTicksTold) {
      silence_told_ = true;
      std::string text = "No answer from the service";
      if (!silence_reason_.empty()) text += ": " + silence_reason_;
      notices.push_back({std::move(text), NoticeKind::Problem});
    }
  } else {
    silent_ticks_ = 0;
    silence_reason_.clear();
    if (silence_told_) {
      silence_told_ = false;
      notices.push_back({"The service answers again", NoticeKind::ProblemOver});
    }
  }

  // A tick that did not reach the files (idle, no answer, nothing waiting to be
  // written) says nothing about them either way.
  if (tick.files_failed) {
    if (!files_told_) {
      files_told_ = true;
      std::string text = "Exchange files could not be written";
      if (!tick.files_problem.empty()) text += ": " + std::string(tick.files_problem);
      notices.push_back({std::move(text), NoticeKind::Problem});
    }
  } else if (tick.files_written && files_told_) {
    files_told_ = false;
    notices.push_back({"Exchange files are written again", NoticeKind::ProblemOver});
  }
  return notices;
}

}  // namespace lumari::core
