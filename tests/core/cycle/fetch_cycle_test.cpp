// One fetch cycle: the request it sends and what each kind of answer leads to.
#include <gtest/gtest.h>

#include "cycle_fixture.h"
#include "shell/app.h"

namespace lumari::test {
namespace {

using core::AnswerKind;
using core::FileOp;
using core::MessageIcon;

using FetchCycle = CycleTest;

const char* kind_name(AnswerKind kind) {
  switch (kind) {
    case AnswerKind::None: return "None";
    case AnswerKind::Orders: return "Orders";
    case AnswerKind::Idle: return "Idle";
    case AnswerKind::ForcedLogout: return "ForcedLogout";
    case AnswerKind::ErrorPage: return "ErrorPage";
    case AnswerKind::NoAnswer: return "NoAnswer";
  }
  return "?";
}

TEST_F(FetchCycle, RequestCarriesTheLoginsSystemUserAndMachine) {
  h.adapters.list = {1, true, {{core::kAdapterTypeEthernet, {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}}}};
  log_in();
  tick_with("\r\nXXX");
  const auto urls = orders_requests();
  ASSERT_EQ(urls.size(), 1u);
  EXPECT_EQ(urls[0],
            "http://service.test/GetTD.do?systemid=11&userid=1234&loginid=00-1A-2B-3C-4D-5E");
}

TEST_F(FetchCycle, RequestValuesArePercentEncoded) {
  const struct {
    std::string systemid, username, loginid, query;
  } cases[] = {
      {"11", "1234", "00-1A-2B-3C-4D-5E", "systemid=11&userid=1234&loginid=00-1A-2B-3C-4D-5E"},
      {"1 1", "-7", "x", "systemid=1%201&userid=-7&loginid=x"},
      {"a&b=c", "12", "y", "systemid=a%26b%3Dc&userid=12&loginid=y"},
      {"a+b/c?d", "12", "y", "systemid=a%2Bb%2Fc%3Fd&userid=12&loginid=y"},
      {"\xE4\xFF", "12", "%", "systemid=%E4%FF&userid=12&loginid=%25"},
      {"AZaz09-._~", "12", "y", "systemid=AZaz09-._~&userid=12&loginid=y"},
      {"", "", "", "systemid=&userid=&loginid="},
      {"11", "1234", "2 Adapter(s):\r\n",
       "systemid=11&userid=1234&loginid=2%20Adapter%28s%29%3A%0D%0A"},
  };
  log_in();
  for (const auto& c : cases) {
    h.session().systemid = c.systemid;
    h.session().login.username = c.username;
    h.session().loginid = c.loginid;
    h.app->FetchTradeData();
    ASSERT_FALSE(orders_requests().empty());
    EXPECT_EQ(orders_requests().back(), "http://service.test/GetTD.do?" + c.query) << c.systemid;
  }
}

TEST_F(FetchCycle, OneClientServesEveryCycleOfTheRun) {
  log_in();
  const int before = h.web.clients_made;
  tick_with("\r\nXXX");
  tick_with("");
  tick_without_answer();
  tick_with("\r\nXXX");
  EXPECT_EQ(h.web.clients_made, before + 1);
  EXPECT_EQ(orders_requests().size(), 4u);
}

TEST_F(FetchCycle, MarkersAreExactAndStandAtTheirPositions) {
  const struct {
    std::string answer;
    AnswerKind kind;
  } cases[] = {
      {"\r\nXXX", AnswerKind::Idle},
      {"abXXXcd;e", AnswerKind::Idle},
      {"XXXXX", AnswerKind::Idle},
      {"\r\nXXXYYY", AnswerKind::Idle},
      {"<hXXX>", AnswerKind::Idle},
      {"XXX", AnswerKind::Orders},
      {"XXX\r\n;", AnswerKind::Orders},
      {"\r\nxxx", AnswerKind::Orders},
      {"\r\nXxX", AnswerKind::Orders},
      {"\r\nYYY", AnswerKind::ForcedLogout},
      {"abYYY<html>", AnswerKind::ForcedLogout},
      {"<hYYYtml>", AnswerKind::ForcedLogout},
      {"YYY", AnswerKind::Orders},
      {"\r\nyyy", AnswerKind::Orders},
      {"<html>", AnswerKind::ErrorPage},
      {"<html><body>Server Error</body></html>", AnswerKind::ErrorPage},
      {"<HTML><body>Server Error</body></HTML>", AnswerKind::Orders},
      {"<Html>", AnswerKind::Orders},
      {" <html>", AnswerKind::Orders},
      {"\r\n<html>", AnswerKind::Orders},
      {"<html", AnswerKind::Orders},
      {"\r\nXX", AnswerKind::Orders},
      {"\r\nYY", AnswerKind::Orders},
      {"XX", AnswerKind::Orders},
      {"ab", AnswerKind::Orders},
      {"a", AnswerKind::Orders},
      {"", AnswerKind::Orders},
  };
  log_in();
  for (const auto& c : cases) {
    h.web.answer("/GetTD.do", c.answer);
    h.app->FetchTradeData();
    const auto files = take_exchange_calls();
    EXPECT_STREQ(kind_name(h.app->last_cycle().kind), kind_name(c.kind)) << '"' << c.answer << '"';
    // Only an order answer reaches the list loader, which reads the order log first.
    EXPECT_EQ(has_call(files, FileOp::Read, "Lumari.log"), c.kind == AnswerKind::Orders)
        << '"' << c.answer << '"';
    if (c.kind != AnswerKind::Orders) {
      EXPECT_TRUE(files.empty()) << '"' << c.answer << '"';
    }
  }
}

TEST_F(FetchCycle, IdleAnswerLeavesFilesAndListsAlone) {
  log_in();
  h.write_exchange("Lumari.log", crlf({order("1", 1)}));
  h.write_exchange("ServerOrder.log", "junk\r\n");
  tick_with("\r\nXXX" + order("2", 2) + ";");
  EXPECT_EQ(h.app->last_cycle().kind, AnswerKind::Idle);
  EXPECT_TRUE(take_exchange_calls().empty());
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1)}));
  EXPECT_EQ(h.exchange("ServerOrder.log"), "junk\r\n");
  EXPECT_TRUE(h.session().fetcher.listData.empty());
  EXPECT_TRUE(h.ui.timer_enabled);
}

TEST_F(FetchCycle, ErrorPageEndsTheCycleSilently) {
  log_in();
  h.write_exchange("ServerOrder.log", "junk\r\n");
  tick_with("<html><body>" + order("2", 2) + ";</body></html>");
  EXPECT_EQ(h.app->last_cycle().kind, AnswerKind::ErrorPage);
  EXPECT_TRUE(take_exchange_calls().empty());
  EXPECT_TRUE(h.ui.messages.empty());
  EXPECT_EQ(h.exchange("ServerOrder.log"), "junk\r\n");
  EXPECT_TRUE(h.ui.timer_enabled);
}

TEST_F(FetchCycle, ForcedLogoutShowsTheMessageThenRaisesTheFlag) {
  log_in();
  h.ui.messages.clear();
  int flag_while_open = -1;
  h.ui.while_message_open = [&](const ShownMessage&) { flag_while_open = h.session().swlogout; };
  h.web.answer("/GetTD.do", std::string("\r\nYYY"));
  h.app->FetchTradeData();

  ASSERT_EQ(h.ui.messages.size(), 1u);
  EXPECT_EQ(h.ui.messages[0].text,
            "User with same credentials is login on another computer.\r"
            "You are forced to logout!.");
  EXPECT_EQ(h.ui.messages[0].text.find('\n'), std::string::npos);
  EXPECT_EQ(h.ui.messages[0].caption, "Lumari Terminal");
  EXPECT_EQ(h.ui.messages[0].icon, MessageIcon::Critical);
  EXPECT_EQ(flag_while_open, 0);
  EXPECT_EQ(h.session().swlogout, 1);
  EXPECT_EQ(h.app->last_cycle().kind, AnswerKind::ForcedLogout);
  EXPECT_TRUE(take_exchange_calls().empty());
}

TEST_F(FetchCycle, NextCycleResetsTheLogoutFlagBeforeLookingAtItsAnswer) {
  log_in();
  std::vector<int> flags_while_open;
  h.ui.while_message_open = [&](const ShownMessage&) {
    flags_while_open.push_back(h.session().swlogout);
  };
  h.web.answer("/GetTD.do", std::string("\r\nYYY"));
  h.app->FetchTradeData();
  EXPECT_EQ(h.session().swlogout, 1);
  h.web.answer("/GetTD.do", std::string("\r\nYYY"));
  h.app->FetchTradeData();
  EXPECT_EQ(h.session().swlogout, 1);
  h.web.answer("/GetTD.do", std::string("\r\nXXX"));
  h.app->FetchTradeData();
  EXPECT_EQ(h.session().swlogout, 0);
  h.web.answer("/GetTD.do", std::string("\r\nYYY"));
  h.app->FetchTradeData();
  h.web.answer("/GetTD.do", core::Error{"timed out"});
  h.app->FetchTradeData();
  EXPECT_EQ(h.session().swlogout, 0);
  EXPECT_EQ(flags_while_open, (std::vector<int>{0, 0, 0}));
}

TEST_F(FetchCycle, NoAnswerChangesNothingAndPollingGoesOn) {
  log_in();
  h.write_exchange("Lumari.log", crlf({order("1", 1)}));
  h.write_exchange("ServerOrder.log", "junk\r\n");
  h.ui.messages.clear();
  tick_without_answer("connection refused");

  EXPECT_EQ(h.app->last_cycle().kind, AnswerKind::NoAnswer);
  EXPECT_EQ(h.app->last_cycle().problem, "connection refused");
  EXPECT_TRUE(take_exchange_calls().empty());
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1)}));
  EXPECT_EQ(h.exchange("ServerOrder.log"), "junk\r\n");
  EXPECT_TRUE(h.ui.messages.empty());
  EXPECT_EQ(h.session().swlogout, 0);
  EXPECT_EQ(h.session().main.swlogin, 1);
  EXPECT_TRUE(h.ui.timer_enabled);

  tick_with(orders_answer({order("2", 2)}));
  EXPECT_EQ(h.app->last_cycle().kind, AnswerKind::Orders);
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1), order("2", 2)}));
}

TEST_F(FetchCycle, EmptyAnswerStillRefillsTheCurrentOrderFileFromTheLog) {
  h.write_exchange("Lumari.log", crlf({order("1", 1), order("2", 2), order("1", 5)}));
  log_in();
  ASSERT_EQ(h.exchange("ServerOrder.log"), "");
  tick_with("");
  EXPECT_EQ(h.app->last_cycle().kind, AnswerKind::Orders);
  EXPECT_EQ(h.app->last_cycle().new_versions, 0u);
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1), order("2", 2), order("1", 5)}));
  // The first version of each order comes in log order, then a later one replaces it
  // and moves to the end.
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("2", 2), order("1", 5)}));
}

TEST_F(FetchCycle, OrderAnswerGrowsTheLogAndKeepsTheLatestVersionOfEachOrder) {
  log_in();
  tick_with(orders_answer({order("1", 1), order("2", 1)}));
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1), order("2", 1)}));
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("1", 1), order("2", 1)}));
  EXPECT_EQ(h.app->last_cycle().new_versions, 2u);

  tick_with(orders_answer({order("1", 3, "1.2000"), order("2", 1)}));
  EXPECT_EQ(h.exchange("Lumari.log"),
            crlf({order("1", 1), order("2", 1), order("1", 3, "1.2000")}));
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("2", 1), order("1", 3, "1.2000")}));
  EXPECT_EQ(h.app->last_cycle().new_versions, 1u);
  EXPECT_EQ(h.app->last_cycle().log_lines, 3u);
  EXPECT_EQ(h.app->last_cycle().current_orders, 2u);
  EXPECT_TRUE(h.app->last_cycle().saved);
}

}  // namespace
}  // namespace lumari::test
