// The polling timer's tick and the run log written at Exit.
#include "settings/exchange_folder.h"
#include "shell/app.h"
#include "shell/data_folder.h"
#include "text/lenient_number.h"
#include "text/line_file.h"

namespace lumari::core {

void App::StartFetch() {
  session_.sync.pass_cache.clear();
  // Polling that starts afresh (a login after a logout) tells again of the
  // problems it meets.
  if (!session_.main.mytimer_enabled) notices_.reset();
  session_.main.mytimer_enabled = true;
  ports_.ui.set_timer_enabled(true);
}

void App::FrmMainMdi_mytimer_Timer() {
  // A message box inside a cycle keeps the message loop turning, so the timer
  // can fall due again before the cycle is over; such a tick is skipped. So is a
  // tick that was already queued when the timer was stopped (stopping a timer
  // does not take back a tick the window system has posted).
  if (tick_running_ || ended_ || !session_.main.mytimer_enabled) return;
  tick_running_ = true;
  // A terminal's data folder appears when the terminal is first started.
  if (!folder_exists(session_.main.exchange_folder)) locate_exchange_folder();
  const bool files_lagged = exchange_files_lag();
  FetchTradeData();
  // Exit chosen while the forced-logout message was open has ended the program.
  if (ended_) {
    tick_running_ = false;
    return;
  }
  tell_problems(files_lagged);
  if (session_.swlogout == 1) {
    session_.main.mytimer_enabled = false;
    ports_.ui.set_timer_enabled(false);
    session_.main.swlogin = 0;
    show_window(WindowId::Login);
  }
  tick_running_ = false;
}

bool App::exchange_files_lag() const {
  const SyncState& sync = session_.sync;
  return session_.fetcher.loaded && (!sync.unsaved_log_lines.empty() ||
                                     sync.current_orders_unsaved || sync.current_orders_unemptied);
}

void App::tell_problems(bool files_lagged_before) {
  const CycleReport& cycle = last_cycle_;
  TickFacts tick;
  tick.answered = cycle.kind != AnswerKind::NoAnswer;
  tick.files_failed = !cycle.saved;
  // An orders answer always runs a pass over the files; any other tick writes
  // them only to catch up on what waits in memory, and then leaves nothing waiting.
  tick.files_written = cycle.saved && (cycle.kind == AnswerKind::Orders ||
                                       (files_lagged_before && !exchange_files_lag()));
  if (tick.files_failed) tick.files_problem = cycle.problem;
  // A failed catch-up write puts its own reason in the report.
  if (!tick.answered && cycle.saved) tick.no_answer_reason = cycle.problem;
  for (const Notice& notice : notices_.after_tick(tick)) ports_.ui.notify(notice.text, notice.kind);
}

void App::WriteRunLog() {
  const DateTime now = ports_.clock.now();
  session_.endTime = now;
  std::string line = ports_.clock.short_date_text(now);
  line += " start time = ";
  if (session_.loginTime) line += ports_.clock.time_text(*session_.loginTime);
  line += " end time = ";
  line += ports_.clock.time_text(now);
  line += " Counter Lumarilog = ";
  line += sign_blank_text(session_.counterLumarilog);
  // The run log is a courtesy: when it cannot be written the exit goes on.
  (void)append_line(data_file(kRunLogFile), line);
}

}  // namespace lumari::core
