// The polling timer: which ticks run a cycle, the problems its ticks tell by
// notices, and the run log that Exit appends to. Steps: see CycleRun::play.
#include "cycle_run.h"

namespace lumari::test {
namespace {

const std::string kLogoutBox =
    "message Critical User with same credentials is login on another computer.\r"
    "You are forced to logout!.|";
const std::string kEnd = "timer off|remove tray icon|end program|";

// The order requests in all, and the UI calls of the last steps.
struct PollingRow : NamedRow {
  std::string before, then;
  std::size_t polls;
  std::string ui;
};
class Polling : public ::testing::TestWithParam<PollingRow> {};

TEST_P(Polling, TicksRunACycleOnlyWhileTheTimerIsOn) {
  CycleRun run;
  run.play(GetParam().before);
  run.h.ui.calls.clear();
  run.play(GetParam().then);
  std::vector<std::string> polls = run.h.web.requested;
  std::erase_if(polls, [](const std::string& url) { return url_path(url) != "/GetTD.do"; });
  EXPECT_EQ(polls.size(), GetParam().polls);
  EXPECT_EQ(listed(run.h.ui.calls), GetParam().ui);
}

INSTANTIATE_TEST_SUITE_P(
    Timer, Polling,
    ::testing::Values(PollingRow{"none_before_StartFetch", "start", "idle, timer", 0, ""},
                      PollingRow{"StartFetch_starts_it", "start", "StartFetch, idle, idle", 2,
                                 "timer on|"},
                      PollingRow{"a_forced_logout_stops_it", "login", "yyy, idle, timer, Exit", 1,
                                 kLogoutBox + "timer off|show Login|menu file|" + kEnd},
                      PollingRow{"a_tick_in_the_logout_box_is_skipped", "login, box timer", "yyy",
                                 1, kLogoutBox + "timer off|show Login|"},
                      PollingRow{"ticks_go_on_after_the_box", "login, box timer, yyy, box",
                                 "StartFetch, idle", 2, "timer on|"},
                      PollingRow{"Exit_in_the_logout_box", "login, box Exit", "yyy", 1,
                                 kLogoutBox + "menu Live|" + kEnd},
                      PollingRow{"Logout_stops_it", "login", "idle, Logout, idle, timer", 1,
                                 "menu Live|timer off|"},
                      PollingRow{"Exit_stops_it", "login", "Exit, timer", 0, "menu Live|" + kEnd},
                      PollingRow{"Exit_logged_out", "start", "Exit", 0, "menu file|" + kEnd}),
    row_name<PollingRow>);

// Problems are told once when they start and once when they end, by notices,
// never by a box.
struct NoticeRow : NamedRow {
  std::string ticks, notices;
};
class Notices : public ::testing::TestWithParam<NoticeRow> {};

TEST_P(Notices, TellEachProblemOnceWhenItStartsAndOnceWhenItEnds) {
  CycleRun run;
  run.h.write_exchange("Lumari.log", lines("@0 14:00"));
  run.play("login, " + GetParam().ticks);
  EXPECT_EQ(listed(run.h.ui.notices), GetParam().notices);
  EXPECT_EQ(run.h.ui.messages.size(), GetParam().ticks.find("yyy") != std::string::npos);
}

const std::string kSilence = "Problem No answer from the service: refused|",
                  kAnswered = "ProblemOver The service answers again|",
                  kRefused = "Problem Exchange files could not be written: write refused|",
                  kUnread = "Problem Exchange files could not be written: cannot read Lumari.log|",
                  kWritten = "ProblemOver Exchange files are written again|",
                  kRefuse = "refuse Write Lumari.log.tmp, ",
                  kUnreadable = "refuse Read Lumari.log, ";
INSTANTIATE_TEST_SUITE_P(
    Ticks, Notices,
    ::testing::Values(
        NoticeRow{"three_silent_ticks", "none, none, none, none, none, idle", kSilence + kAnswered},
        NoticeRow{"two_silent_ticks", "none, none, idle, none, none, orders", ""},
        NoticeRow{"the_last_reason", "none, none, late, none, orders",
                  "Problem No answer from the service: timed out|" + kAnswered},
        NoticeRow{"a_forced_logout_answers", "none, none, none, yyy", kSilence + kAnswered},
        NoticeRow{"unwritten_files", kRefuse + "orders, orders, idle, none, heal, orders, orders",
                  kRefused + kWritten},
        NoticeRow{"an_idle_catch_up", kRefuse + "orders, heal, idle, idle", kRefused + kWritten},
        NoticeRow{"a_silent_catch_up", kRefuse + "orders, heal, none", kRefused + kWritten},
        NoticeRow{"an_idle_tick_with_nothing_waiting", kUnreadable + "empty, heal, idle, none",
                  kUnread},
        NoticeRow{"the_next_pass", kUnreadable + "empty, heal, idle, none, empty",
                  kUnread + kWritten},
        NoticeRow{"both_problems", kRefuse + "orders, none, none, none, heal, idle",
                  kRefused + "Problem No answer from the service|" + kAnswered + kWritten},
        NoticeRow{"polling_started_again", kRefuse + "orders, Logout, StartFetch, orders, orders",
                  kRefused + kRefused},
        NoticeRow{"Exit_tells_no_end", "none, none, none, Exit, idle", kSilence}),
    row_name<NoticeRow>);

// Exit appends one line to the run log in the data folder, after an earlier run's.
struct RunLogRow : NamedRow {
  std::string steps, line;
};
class RunLog : public ::testing::TestWithParam<RunLogRow> {};

TEST_P(RunLog, ExitAppendsItsLine) {
  CycleRun run;
  run.h.write_data("lumari.dat", "an earlier run\r\n");
  run.play(GetParam().steps);
  EXPECT_TRUE(run.h.ui.ended);
  const std::string& line = GetParam().line;
  EXPECT_EQ(run.h.data("lumari.dat"), "an earlier run\r\n" + line + (line.empty() ? "" : "\r\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Exits, RunLog,
    ::testing::Values(
        RunLogRow{"login_and_exit_times", "at 5 09:04:05, login, at 6 17:45:00, Exit",
                  "12/6/2026 start time = 09:04:05 end time = 17:45:00 Counter Lumarilog =  0"},
        RunLogRow{"no_login", "start, at 31 00:00:09, Exit",
                  "12/31/2026 start time =  end time = 00:00:09 Counter Lumarilog =  0"},
        RunLogRow{"a_refused_login", "login 0;11;Alpha, Exit",
                  "12/5/2026 start time =  end time = 14:03:07 Counter Lumarilog =  0"},
        RunLogRow{"the_last_login",
                  "at 5 08:00:00, login, Logout, at 5 10:30:15, Login, Logout, at 5 11:00:00, Exit",
                  "12/5/2026 start time = 10:30:15 end time = 11:00:00 Counter Lumarilog =  0"},
        RunLogRow{"versions_logged",
                  "login, @1 14:01|@2 14:02, @1 14:01|@2 14:02, idle, @2 14:02|@2 14:04|@3 14:03, "
                  "Exit",
                  "12/5/2026 start time = 14:03:07 end time = 14:03:07 Counter Lumarilog =  4"},
        RunLogRow{"versions_merged_at_Exit", "login, " + kRefuse + "@1 14:01, heal, Exit",
                  "12/5/2026 start time = 14:03:07 end time = 14:03:07 Counter Lumarilog =  1"},
        RunLogRow{"append_refused", "start, refuse Append lumari.dat, Exit", ""}),
    row_name<RunLogRow>);

}  // namespace
}  // namespace lumari::test
