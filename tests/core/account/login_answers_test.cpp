// What each form of the service's login answer does to the session, the data
// folder and the windows.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "account_fixture.h"

namespace lumari::test {
namespace {

using core::WindowId;

enum class Outcome { Refused, NoSystem, OneSystem, SeveralSystems };

struct AnswerCase {
  std::string_view answer;
  Outcome outcome;
  std::string_view username;
  std::string_view systems_file;  ///< systemp.dat afterwards (untouched when refused)
  int cntsys;
  std::string_view systemid;  ///< "prev" when the login leaves it alone
  std::string_view rest;      ///< Usercode after parsing
};

constexpr std::string_view kOldSystems = "99;Old\r\n";

const AnswerCase kCases[] = {
    {"", Outcome::Refused, "0", kOldSystems, 0, "prev", ""},
    {"<html><body>Service unavailable</body></html>", Outcome::Refused, "0", kOldSystems, 0, "prev",
     ""},
    {"<html>&nbsp;Error</html>", Outcome::Refused, "0", kOldSystems, 0, "prev", ""},
    {"1234", Outcome::Refused, "0", kOldSystems, 0, "prev", ""},
    {"abc;11;Alpha", Outcome::Refused, "0", kOldSystems, 0, "prev", ""},
    {"0;11;Alpha", Outcome::Refused, "0", kOldSystems, 0, "prev", ""},
    {"1234;", Outcome::NoSystem, "1234", "", 0, "prev", ""},
    {"-7;11;Alpha", Outcome::OneSystem, "-7", "11;Alpha\r\n", 1, "11", "Alpha"},
    {"00042;11;Alpha", Outcome::OneSystem, "42", "11;Alpha\r\n", 1, "11", "Alpha"},
    {"42abc;11;Alpha;", Outcome::OneSystem, "42", "11;Alpha\r\n", 1, "11", ""},
    {"1234;11;Alpha", Outcome::OneSystem, "1234", "11;Alpha\r\n", 1, "11", "Alpha"},
    {"1234;11;Alpha;", Outcome::OneSystem, "1234", "11;Alpha\r\n", 1, "11", ""},
    {"1234;11;Alpha;12", Outcome::OneSystem, "1234", "11;Alpha\r\n", 1, "11", "12"},
    {"1234;11;Alpha\r\n", Outcome::OneSystem, "1234", "11;Alpha\r\n\r\n", 1, "11", "Alpha\r\n"},
    {"1234;11;Alpha;12;", Outcome::SeveralSystems, "1234", "11;Alpha\r\n12;\r\n", 2, "prev", ""},
    {"1234;11;Alpha;12;Beta", Outcome::SeveralSystems, "1234", "11;Alpha\r\n12;Beta\r\n", 2, "prev",
     "Beta"},
    {"1234;11;Alpha;12;Beta\r\n", Outcome::SeveralSystems, "1234", "11;Alpha\r\n12;Beta\r\n\r\n", 2,
     "prev", "Beta\r\n"},
    {"1234;11;Beta Fund;12;Gamma;13;Delta;", Outcome::SeveralSystems, "1234",
     "11;Beta Fund\r\n12;Gamma\r\n13;Delta\r\n", 3, "prev", ""},
};

TEST(LoginAnswers, EachAnswerFormHasItsOutcome) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(::testing::Message() << "answer \"" << c.answer << '"');
    AppHarness h;
    h.write_data(kSystems, kOldSystems);
    h.session().systemid = "prev";
    h.log_in(c.answer);
    const core::Session& s = h.session();

    EXPECT_EQ(s.login.username, c.username);
    EXPECT_EQ(h.data(kSystems), c.systems_file);
    EXPECT_EQ(s.systemid, c.systemid);

    if (c.outcome == Outcome::Refused) {
      ASSERT_EQ(h.ui.messages.size(), 1u);
      EXPECT_EQ(h.ui.messages[0].text, "Login Error");
      EXPECT_TRUE(s.login.open);
      EXPECT_TRUE(h.ui.is_open(WindowId::Login));
      EXPECT_FALSE(h.has_data(kSavedLogins));
      EXPECT_EQ(s.main.swlogin, 0);
      EXPECT_FALSE(h.ui.timer_enabled);
      continue;
    }

    EXPECT_TRUE(h.ui.messages.empty());
    EXPECT_EQ(s.login.cntsys, c.cntsys);
    EXPECT_EQ(s.login.Usercode, c.rest);
    EXPECT_EQ(s.chkmark, c.username.substr(c.username.size() - 1));
    EXPECT_FALSE(s.login.open);
    EXPECT_FALSE(h.ui.is_open(WindowId::Login));
    EXPECT_TRUE(h.has_data(kSavedLogins));

    const bool one = c.outcome == Outcome::OneSystem;
    const bool several = c.outcome == Outcome::SeveralSystems;
    EXPECT_EQ(s.main.swlogin, one ? 1 : 0);
    EXPECT_EQ(h.ui.timer_enabled, one);
    EXPECT_EQ(s.main.mytimer_enabled, one);
    EXPECT_EQ(s.fetcher.loaded, one);
    EXPECT_EQ(s.selection.open, several);
    EXPECT_EQ(h.ui.is_open(WindowId::Selection), several);
  }
}

TEST(LoginAnswers, NoSystemLeavesTheLoggedInFlagAsItWas) {
  AppHarness h;
  h.session().main.swlogin = 1;
  h.log_in("1234;");
  EXPECT_EQ(h.session().main.swlogin, 1);
  EXPECT_FALSE(h.ui.timer_enabled);
  EXPECT_EQ(h.data(kSystems), "");
}

TEST(LoginAnswers, RefusalClearsTheLoggedInFlag) {
  AppHarness h;
  h.session().main.swlogin = 1;
  h.log_in("abc;11;Alpha");
  EXPECT_EQ(h.session().main.swlogin, 0);
}

TEST(LoginAnswers, SystemsFileIsRewrittenAtEachAcceptedLogin) {
  AppHarness h;
  h.log_in(kTwoSystems);
  EXPECT_EQ(h.data(kSystems), "12;Alpha\r\n15;Beta Fund\r\n");
  h.app->window_closed(core::WindowId::Selection);

  h.web.answer(kLoginPath, std::string("1234;17;Gamma;"));
  h.app->FrmMainMdi_mnuFlSi_Click();
  h.session().login.controls.txtPass = "secret";
  h.app->frmLogin_cmdLogin_Click();
  EXPECT_EQ(h.data(kSystems), "17;Gamma\r\n");

  h.app->FrmMainMdi_mnulvSo_Click();
  h.web.answer(kLoginPath, std::string("1234;"));
  h.app->FrmMainMdi_mnuFlSi_Click();
  h.app->frmLogin_cmdLogin_Click();
  EXPECT_TRUE(h.has_data(kSystems));
  EXPECT_EQ(h.data(kSystems), "");
}

TEST(LoginAnswers, OneSystemFollowsItAtOnce) {
  AppHarness h;
  h.log_in("1234;11;Alpha");
  const core::Session& s = h.session();
  EXPECT_EQ(s.systemid, "11");
  EXPECT_EQ(s.main.swlogin, 1);
  EXPECT_TRUE(h.ui.timer_enabled);
  EXPECT_EQ(h.ui.count_calls("timer on"), 1);
  EXPECT_EQ(h.ui.count_calls("show Selection"), 0);
  EXPECT_TRUE(s.fetcher.loaded);
  // The fetcher window's first load empties the current-order file.
  EXPECT_TRUE(h.has_exchange("ServerOrder.log"));
  EXPECT_EQ(h.exchange("ServerOrder.log"), "");
}

TEST(LoginAnswers, LoginDateIsTakenBeforeTheFetcherWindowLoads) {
  AppHarness h;
  h.clock.current = core::DateTime{2027, 1, 9, 8, 30, 15};
  h.log_in("1234;11;Alpha");
  EXPECT_EQ(h.session().loginDate, 20270109);
  ASSERT_TRUE(h.session().loginTime.has_value());
  EXPECT_EQ(*h.session().loginTime, h.clock.current);
  // The fetcher window records the date of this login, not a date of zero.
  EXPECT_EQ(h.data("datefile.dat"), " 20270109\r\n");
}

TEST(LoginAnswers, SeveralSystemsLeaveTheChoiceToTheSelectionWindow) {
  AppHarness h;
  h.session().systemid = "prev";
  h.log_in(kTwoSystems);
  const core::Session& s = h.session();
  EXPECT_EQ(s.systemid, "prev");
  EXPECT_EQ(s.main.swlogin, 0);
  EXPECT_FALSE(h.ui.timer_enabled);
  EXPECT_FALSE(s.fetcher.loaded);
  EXPECT_EQ(s.loginDate, 20261205);
  ASSERT_EQ(h.web.requested.size(), 1u);
  EXPECT_EQ(url_path(h.web.requested[0]), kLoginPath);
}

}  // namespace
}  // namespace lumari::test
