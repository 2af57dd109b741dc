// The polling timer: what starts and stops it, and what one tick does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "cycle_fixture.h"
#include "shell/app.h"

namespace lumari::test {
namespace {

using core::MenuItem;
using core::WindowId;

using Polling = CycleTest;

constexpr int kRightButtonDown = 516;

TEST_F(Polling, NoCycleRunsBeforeStartFetch) {
  h.start();
  EXPECT_EQ(h.ui.timer_interval, 6000);
  EXPECT_FALSE(h.ui.timer_enabled);
  for (int i = 0; i < 5; ++i) fire_timer();
  // Even a tick that reaches the window without the timer running starts no cycle.
  h.app->FrmMainMdi_mytimer_Timer();
  EXPECT_TRUE(orders_requests().empty());
  EXPECT_TRUE(take_exchange_calls().empty());
}

TEST_F(Polling, StartFetchEnablesTheTimerAndEachTickRunsOneCycle) {
  h.start();
  h.app->StartFetch();
  EXPECT_TRUE(h.ui.timer_enabled);
  EXPECT_TRUE(h.session().main.mytimer_enabled);
  EXPECT_EQ(h.ui.count_calls("timer on"), 1);
  h.app->StartFetch();
  EXPECT_TRUE(h.ui.timer_enabled);
  for (int i = 0; i < 3; ++i) fire_timer();
  EXPECT_EQ(orders_requests().size(), 3u);
}

TEST_F(Polling, LoginWithOneSystemStartsPolling) {
  h.log_in("1234;11;Alpha");
  EXPECT_TRUE(h.ui.timer_enabled);
  fire_timer();
  EXPECT_EQ(orders_requests().size(), 1u);
}

TEST_F(Polling, ForcedLogoutStopsPollingAndShowsTheLoginWindowOnce) {
  log_in();
  const int shown_before = h.ui.count_calls("show Login");
  tick_with("\r\nYYY");

  EXPECT_FALSE(h.ui.timer_enabled);
  EXPECT_FALSE(h.session().main.mytimer_enabled);
  EXPECT_EQ(h.session().main.swlogin, 0);
  EXPECT_EQ(h.ui.count_calls("show Login"), shown_before + 1);
  EXPECT_TRUE(h.ui.is_open(WindowId::Login));
  EXPECT_TRUE(h.session().login.open);
  // The order of events: the message first, then the timer stops, then the window.
  const auto& calls = h.ui.calls;
  const auto message = std::find(calls.begin(), calls.end(),
                                 "message Critical User with same credentials is login on another "
                                 "computer.\rYou are forced to logout!.");
  ASSERT_NE(message, calls.end());
  const auto timer_off = std::find(message, calls.end(), "timer off");
  ASSERT_NE(timer_off, calls.end());
  EXPECT_NE(std::find(timer_off, calls.end(), "show Login"), calls.end());
  // The session is kept for the next login.
  EXPECT_EQ(h.session().systemid, "11");
  EXPECT_TRUE(h.session().fetcher.loaded);

  // The tray offers the logged-out menu again.
  h.app->FrmMainMdi_Form_MouseMove(kRightButtonDown);
  ASSERT_FALSE(h.ui.menus_shown.empty());
  EXPECT_EQ(h.ui.menus_shown.back(), core::MenuId::File);
}

TEST_F(Polling, NoCycleRunsAfterAForcedLogoutUntilStartFetch) {
  log_in();
  tick_with("\r\nYYY");
  ASSERT_EQ(orders_requests().size(), 1u);
  for (int i = 0; i < 5; ++i) fire_timer();
  // A tick already on its way when the timer stopped is dropped too.
  h.app->FrmMainMdi_mytimer_Timer();
  EXPECT_EQ(orders_requests().size(), 1u);
  EXPECT_EQ(h.ui.messages.size(), 1u);

  h.web.answer("/LumariLoginCheckAction.do", std::string("1234;11;Alpha"));
  h.session().login.controls.txtUser = "ann@example.com";
  h.session().login.controls.txtPass = "secret";
  h.app->frmLogin_cmdLogin_Click();
  EXPECT_TRUE(h.ui.timer_enabled);
  EXPECT_EQ(h.session().main.swlogin, 1);
  tick_with(orders_answer({order("1", 1)}));
  EXPECT_EQ(orders_requests().size(), 2u);
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1)}));
}

TEST_F(Polling, TickInsideTheForcedLogoutBoxIsSkipped) {
  log_in();
  int nested = 0;
  h.ui.while_message_open = [&](const ShownMessage&) {
    ++nested;
    h.web.answer("/GetTD.do", orders_answer({order("1", 1)}));
    h.app->FrmMainMdi_mytimer_Timer();
    h.app->FrmMainMdi_mytimer_Timer();
  };
  const int shown_before = h.ui.count_calls("show Login");
  tick_with("\r\nYYY");
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(orders_requests().size(), 1u);
  EXPECT_EQ(h.ui.messages.size(), 1u);
  EXPECT_FALSE(h.has_exchange("Lumari.log"));
  EXPECT_EQ(h.ui.count_calls("show Login"), shown_before + 1);
  EXPECT_FALSE(h.ui.timer_enabled);
  EXPECT_EQ(h.session().swlogout, 1);
}

TEST_F(Polling, TicksRunAgainOnceTheForcedLogoutBoxIsClosed) {
  log_in();
  h.ui.while_message_open = [&](const ShownMessage&) { h.app->FrmMainMdi_mytimer_Timer(); };
  tick_with("\r\nYYY");
  h.ui.while_message_open = nullptr;
  h.app->StartFetch();
  tick_with("\r\nXXX");
  EXPECT_EQ(orders_requests().size(), 2u);
  EXPECT_EQ(h.app->last_cycle().kind, core::AnswerKind::Idle);
}

TEST_F(Polling, ExitInsideTheForcedLogoutBoxEndsWithoutShowingTheLoginWindow) {
  log_in();
  h.ui.while_message_open = [&](const ShownMessage&) { h.app->FrmMainMdi_mnulvex_Click(); };
  const int shown_before = h.ui.count_calls("show Login");
  tick_with("\r\nYYY");
  EXPECT_TRUE(h.ui.ended);
  EXPECT_TRUE(h.app->ended());
  EXPECT_EQ(h.ui.count_calls("show Login"), shown_before);
  EXPECT_EQ(h.ui.calls.back(), "end program");
}

TEST_F(Polling, LogoutStopsTheTimerAndKeepsTheSession) {
  h.clock.current = {2026, 12, 5, 9, 30, 0};
  log_in();
  tick_with(orders_answer({order("1", 1)}));
  h.ui.menu_choices.push_back(MenuItem::mnulvSo);
  h.app->FrmMainMdi_Form_MouseMove(kRightButtonDown);

  EXPECT_EQ(h.ui.menus_shown.back(), core::MenuId::Live);
  EXPECT_FALSE(h.ui.timer_enabled);
  EXPECT_FALSE(h.session().main.mytimer_enabled);
  EXPECT_EQ(h.session().main.swlogin, 0);
  EXPECT_EQ(h.session().systemid, "11");
  EXPECT_EQ(h.session().login.username, "1234");
  EXPECT_EQ(h.session().loginDate, 20261205);
  ASSERT_TRUE(h.session().loginTime);
  EXPECT_EQ(*h.session().loginTime, (core::DateTime{2026, 12, 5, 9, 30, 0}));
  EXPECT_TRUE(h.session().fetcher.loaded);
  EXPECT_FALSE(h.ui.ended);
  EXPECT_TRUE(h.ui.tray_icon);

  const std::size_t requests = orders_requests().size();
  for (int i = 0; i < 3; ++i) fire_timer();
  h.app->FrmMainMdi_mytimer_Timer();
  EXPECT_EQ(orders_requests().size(), requests);
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1)}));
}

TEST_F(Polling, ExitStopsTheTimerRemovesTheIconWritesTheRunLogAndEnds) {
  log_in();
  tick_with(orders_answer({order("1", 1)}));
  h.ui.calls.clear();
  h.ui.menu_choices.push_back(MenuItem::mnulvex);
  h.app->FrmMainMdi_Form_MouseMove(kRightButtonDown);

  EXPECT_EQ(h.ui.calls, (std::vector<std::string>{"menu Live", "timer off", "remove tray icon",
                                                  "end program"}));
  EXPECT_FALSE(h.session().main.mytimer_enabled);
  EXPECT_FALSE(h.session().fetcher.loaded);
  EXPECT_FALSE(h.ui.tray_icon);
  EXPECT_TRUE(h.ui.ended);
  EXPECT_TRUE(h.app->ended());
  EXPECT_TRUE(h.has_data("lumari.dat"));

  h.app->FrmMainMdi_mytimer_Timer();
  EXPECT_EQ(orders_requests().size(), 1u);
}

TEST_F(Polling, ExitFromTheLoggedOutMenuEndsAsWell) {
  h.start();
  h.ui.calls.clear();
  h.ui.menu_choices.push_back(MenuItem::mnuflex);
  h.app->FrmMainMdi_Form_MouseMove(kRightButtonDown);
  EXPECT_EQ(h.ui.calls, (std::vector<std::string>{"menu file", "timer off", "remove tray icon",
                                                  "end program"}));
  EXPECT_TRUE(h.has_data("lumari.dat"));
}

// Problems told by notices: a row is a run of steps after a login with one
// system, and the notices they give, in order. Steps: "orders" (an answer with
// one new version), "empty" (an orders answer without lines), "idle",
// "silent" / "timeout" (no answer: refused / timed out), "break" (writing the
// order log fails from now on), "unreadable" (reading it fails from now on),
// "heal" (files work again), "relogin" (Logout, then polling starts again),
// "exit".
struct NoticeRow {
  const char* name;
  const char* steps;
  std::vector<std::string> notices;
};
void PrintTo(const NoticeRow& row, std::ostream* os) { *os << row.steps; }

const NoticeRow kNoticeRows[] = {
    {"three silent ticks tell once, the first answer tells the end",
     "silent silent silent silent silent idle",
     {"Problem No answer from the service: connection refused",
      "ProblemOver The service answers again"}},
    {"two silent ticks in a row tell nothing", "silent silent idle silent silent orders", {}},
    {"a new reason within the silence tells nothing",
     "silent silent timeout silent orders",
     {"Problem No answer from the service: timed out", "ProblemOver The service answers again"}},
    {"a forced logout is an answer",
     "silent silent silent forced",
     {"Problem No answer from the service: connection refused",
      "ProblemOver The service answers again"}},
    {"files that cannot be written tell once, the next written pass the end",
     "break orders orders idle silent heal orders orders",
     {"Problem Exchange files could not be written: write refused",
      "ProblemOver Exchange files are written again"}},
    {"an idle tick that catches up on waiting versions ends it",
     "break orders heal idle idle",
     {"Problem Exchange files could not be written: write refused",
      "ProblemOver Exchange files are written again"}},
    {"a silent tick that catches up ends it too",
     "break orders heal silent",
     {"Problem Exchange files could not be written: write refused",
      "ProblemOver Exchange files are written again"}},
    {"an idle tick with nothing waiting ends nothing",
     "unreadable empty heal idle silent empty",
     {"Problem Exchange files could not be written: cannot read Lumari.log",
      "ProblemOver Exchange files are written again"}},
    {"both problems, each told on its own",
     "break orders silent silent silent heal idle",
     {"Problem Exchange files could not be written: write refused",
      "Problem No answer from the service", "ProblemOver The service answers again",
      "ProblemOver Exchange files are written again"}},
    {"polling started again after a logout tells again",
     "break orders relogin orders orders",
     {"Problem Exchange files could not be written: write refused",
      "Problem Exchange files could not be written: write refused"}},
    {"exit tells no end",
     "silent silent silent exit",
     {"Problem No answer from the service: connection refused"}},
};

class Notices : public CycleTest, public ::testing::WithParamInterface<NoticeRow> {};

TEST_P(Notices, ProblemsAreToldOnceWhenTheyStartAndOnceWhenTheyEnd) {
  const NoticeRow& row = GetParam();
  ASSERT_NO_FATAL_FAILURE(log_in());
  int ticket = 0;
  std::istringstream steps(row.steps);
  for (std::string step; steps >> step;) {
    if (step == "orders") {
      ++ticket;
      tick_with(orders_answer({order(std::to_string(ticket), ticket)}));
    } else if (step == "empty") {
      tick_with("\r\n");
    } else if (step == "idle") {
      tick_with("\r\nXXX");
    } else if (step == "forced") {
      tick_with("\r\nYYY");
    } else if (step == "silent") {
      tick_without_answer("connection refused");
    } else if (step == "timeout") {
      tick_without_answer("timed out");
    } else if (step == "break") {
      fail_when = [](core::FileOp op, std::string_view name) {
        return op == core::FileOp::Write && name == "Lumari.log.tmp";
      };
    } else if (step == "unreadable") {
      h.write_exchange("Lumari.log", crlf({order("0", 0)}));
      fail_when = [](core::FileOp op, std::string_view name) {
        return op == core::FileOp::Read && name == "Lumari.log";
      };
    } else if (step == "heal") {
      fail_when = nullptr;
    } else if (step == "relogin") {
      h.app->FrmMainMdi_mnulvSo_Click();
      h.app->StartFetch();
    } else if (step == "exit") {
      h.app->FrmMainMdi_mnulvex_Click();
      fire_timer();
    } else {
      FAIL() << "unknown step " << step;
    }
  }
  EXPECT_EQ(h.ui.notices, row.notices);
  // A notice never waits for the user: no message box comes with it.
  const bool forced = std::string_view(row.steps).find("forced") != std::string_view::npos;
  EXPECT_EQ(h.ui.messages.size(), forced ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Rows, Notices, ::testing::ValuesIn(kNoticeRows),
                         [](const ::testing::TestParamInfo<NoticeRow>& row) {
                           std::string name;
                           for (const char c : std::string_view(row.param.name)) {
                             if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                           }
                           return name;
                         });

}  // namespace
}  // namespace lumari::test
