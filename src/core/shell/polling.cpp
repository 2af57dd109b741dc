// The polling timer's tick and the run log written at Exit.
#include "shell/app.h"
#include "shell/data_folder.h"
#include "text/lenient_number.h"
#include "text/line_file.h"

namespace lumari::core {

void App::StartFetch() {
  session_.sync.pass_cache.clear();
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
  FetchTradeData();
  // Exit chosen while the forced-logout message was open has ended the program.
  if (ended_) {
    tick_running_ = false;
    return;
  }
  if (session_.swlogout == 1) {
    session_.main.mytimer_enabled = false;
    ports_.ui.set_timer_enabled(false);
    session_.main.swlogin = 0;
    show_window(WindowId::Login);
  }
  tick_running_ = false;
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
