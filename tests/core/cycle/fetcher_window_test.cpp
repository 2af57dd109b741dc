// The fetcher window's first load: the current-order file emptied once per run
// and the date file holding the date of the login that loaded it.
#include <gtest/gtest.h>

#include <optional>

#include "cycle_fixture.h"
#include "shell/app.h"

namespace lumari::test {
namespace {

using core::FileOp;
using core::MenuItem;

using FetcherWindow = CycleTest;

TEST_F(FetcherWindow, FirstLoadEmptiesTheCurrentOrderFileEvenWhenTheDateIsUnchanged) {
  h.write_data("datefile.dat", " 20261205\r\n");
  h.write_exchange("ServerOrder.log", crlf({order("1", 1)}));
  h.write_exchange("Lumari.log", crlf({order("1", 1)}));
  h.log_in("1234;11;Alpha");
  EXPECT_TRUE(h.session().fetcher.loaded);
  EXPECT_TRUE(h.has_exchange("ServerOrder.log"));
  EXPECT_EQ(h.exchange("ServerOrder.log"), "");
  // The order log is never emptied.
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1)}));
  EXPECT_EQ(h.data("datefile.dat"), " 20261205\r\n");
}

TEST_F(FetcherWindow, FirstLoadCreatesAnEmptyCurrentOrderFile) {
  h.log_in("1234;11;Alpha");
  EXPECT_EQ(folder_listing(h.exchange_folder), "ServerOrder.log");
  EXPECT_EQ(h.exchange("ServerOrder.log"), "");
}

TEST_F(FetcherWindow, DateFileIsRewrittenOnlyWhenItsLastLineDiffers) {
  const struct {
    std::optional<std::string> before;  // nothing: the file is missing
    bool rewritten;
  } cases[] = {
      {std::nullopt, true},
      {"", true},
      {" 20261205\r\n", false},
      {" 20261205", false},
      {"junk\r\n 20261205\r\n", false},
      {" 20261204\r\n 20261205\n", false},
      {" 20261205\r\njunk\r\n", true},
      {"20261205\r\n", true},
      {" 20261204\r\n", true},
      {" 20261205 \r\n", true},
      {"  20261205\r\n", true},
      {" 20261205\r\n\r\n", true},
      {" 0\r\n", true},
  };
  for (const auto& c : cases) {
    AppHarness run;
    if (c.before) run.write_data("datefile.dat", *c.before);
    run.log_in("1234;11;Alpha");
    const auto data_calls = take_calls_in(run.data_folder);
    const std::string label = c.before.value_or("(missing)");
    EXPECT_EQ(has_call(data_calls, FileOp::Write, "datefile.dat.tmp"), c.rewritten) << label;
    EXPECT_EQ(run.data("datefile.dat"), c.rewritten ? " 20261205\r\n" : *c.before) << label;
    EXPECT_EQ(run.exchange("ServerOrder.log"), "") << label;
  }
}

TEST_F(FetcherWindow, DateFileHoldsTheDateOfTheLoginThatLoadedIt) {
  h.write_data("datefile.dat", " 20261205\r\n");
  h.clock.current = {2027, 1, 2, 0, 0, 1};
  h.log_in("1234;11;Alpha");
  EXPECT_EQ(h.session().loginDate, 20270102);
  EXPECT_EQ(h.data("datefile.dat"), " 20270102\r\n");
}

TEST_F(FetcherWindow, LoadsWhenTheChosenOfSeveralSystemsIsFollowed) {
  h.write_data("datefile.dat", " 20200101\r\n");
  h.write_exchange("ServerOrder.log", crlf({order("1", 1)}));
  h.log_in("1234;11;Alpha;12;Beta");
  ASSERT_TRUE(h.ui.is_open(core::WindowId::Selection));
  // Choosing is not following yet: the window is not loaded until Proceed.
  EXPECT_FALSE(h.session().fetcher.loaded);
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("1", 1)}));

  h.web.answer("/LumariLoginSelectSystemAction.do", std::string("ok"));
  h.session().selection.controls.cmbsystem_text = "12 Beta";
  h.app->FrmSys_CmdProcced_Click();
  EXPECT_TRUE(h.session().fetcher.loaded);
  EXPECT_EQ(h.session().systemid, "12");
  EXPECT_EQ(h.exchange("ServerOrder.log"), "");
  EXPECT_EQ(h.data("datefile.dat"), " 20261205\r\n");
  EXPECT_TRUE(h.ui.timer_enabled);
}

TEST_F(FetcherWindow, SecondLoginOfTheRunKeepsTheCurrentOrderFile) {
  log_in();
  tick_with(orders_answer({order("1", 1), order("2", 2)}));
  ASSERT_EQ(h.exchange("ServerOrder.log"), crlf({order("1", 1), order("2", 2)}));
  ASSERT_EQ(h.data("datefile.dat"), " 20261205\r\n");

  h.ui.menu_choices.push_back(MenuItem::mnulvSo);
  h.app->FrmMainMdi_Form_MouseMove(516);
  ASSERT_FALSE(h.ui.timer_enabled);

  // The next day, the same run: the window is loaded already.
  h.clock.current = {2026, 12, 6, 8, 0, 0};
  (void)take_data_calls();
  h.web.answer("/LumariLoginCheckAction.do", std::string("1234;11;Alpha"));
  h.ui.menu_choices.push_back(MenuItem::mnuFlSi);
  h.app->FrmMainMdi_Form_MouseMove(516);
  h.session().login.controls.txtUser = "ann@example.com";
  h.session().login.controls.txtPass = "secret";
  h.app->frmLogin_cmdLogin_Click();

  EXPECT_EQ(h.session().main.swlogin, 1);
  EXPECT_TRUE(h.ui.timer_enabled);
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("1", 1), order("2", 2)}));
  EXPECT_FALSE(has_call(take_data_calls(), FileOp::Write, "datefile.dat.tmp"));
  EXPECT_EQ(h.data("datefile.dat"), " 20261205\r\n");
}

TEST_F(FetcherWindow, MissingExchangeFolderDoesNotStopTheLogin) {
  std::filesystem::remove_all(h.exchange_folder);
  h.log_in("1234;11;Alpha");
  EXPECT_TRUE(h.session().fetcher.loaded);
  EXPECT_EQ(h.session().main.swlogin, 1);
  EXPECT_TRUE(h.ui.timer_enabled);
  EXPECT_EQ(h.data("datefile.dat"), " 20261205\r\n");
  EXPECT_FALSE(std::filesystem::exists(h.exchange_folder));
}

}  // namespace
}  // namespace lumari::test
