// The run log: one line appended to the data folder's lumari.dat at each Exit.
#include <gtest/gtest.h>

#include <filesystem>

#include "cycle_fixture.h"
#include "shell/app.h"

namespace lumari::test {
namespace {

using core::FileOp;

using RunLog = CycleTest;

TEST_F(RunLog, LineCarriesDateLoginTimeExitTimeAndCounter) {
  h.clock.current = {2026, 12, 5, 9, 4, 5};
  log_in();
  h.clock.current = {2026, 12, 6, 17, 45, 0};
  h.app->FrmMainMdi_mnulvex_Click();
  EXPECT_EQ(h.data("lumari.dat"),
            "12/6/2026 start time = 09:04:05 end time = 17:45:00 Counter Lumarilog =  0\r\n");
  ASSERT_TRUE(h.session().endTime);
  EXPECT_EQ(*h.session().endTime, (core::DateTime{2026, 12, 6, 17, 45, 0}));
}

TEST_F(RunLog, StartTimeIsEmptyWithoutALogin) {
  h.start();
  h.clock.current = {2027, 1, 31, 0, 0, 9};
  h.app->FrmMainMdi_mnuflex_Click();
  EXPECT_EQ(h.data("lumari.dat"),
            "1/31/2027 start time =  end time = 00:00:09 Counter Lumarilog =  0\r\n");
}

TEST_F(RunLog, RefusedLoginLeavesTheStartTimeEmpty) {
  h.log_in("0;11;Alpha");
  ASSERT_EQ(h.session().main.swlogin, 0);
  h.app->FrmMainMdi_mnuflex_Click();
  EXPECT_EQ(h.data("lumari.dat"),
            "12/5/2026 start time =  end time = 14:03:07 Counter Lumarilog =  0\r\n");
}

TEST_F(RunLog, LogoutThenExitCarriesTheTimeOfTheLastLogin) {
  h.clock.current = {2026, 12, 5, 8, 0, 0};
  log_in();
  h.app->FrmMainMdi_mnulvSo_Click();
  h.clock.current = {2026, 12, 5, 10, 30, 15};
  h.web.answer("/LumariLoginCheckAction.do", std::string("1234;11;Alpha"));
  h.app->FrmMainMdi_mnuFlSi_Click();
  h.session().login.controls.txtUser = "ann@example.com";
  h.session().login.controls.txtPass = "secret";
  h.app->frmLogin_cmdLogin_Click();
  h.app->FrmMainMdi_mnulvSo_Click();
  h.clock.current = {2026, 12, 5, 11, 0, 0};
  h.app->FrmMainMdi_mnuflex_Click();
  EXPECT_EQ(h.data("lumari.dat"),
            "12/5/2026 start time = 10:30:15 end time = 11:00:00 Counter Lumarilog =  0\r\n");
}

TEST_F(RunLog, CounterCountsTheOrderLogLinesAddedDuringTheRun) {
  h.write_exchange("Lumari.log", crlf({order("1", 1)}));
  log_in();
  tick_with(orders_answer({order("1", 1), order("2", 2)}));
  tick_with(orders_answer({order("1", 1), order("2", 2)}));
  tick_with("\r\nXXX");
  tick_with(orders_answer({order("2", 2), order("2", 4), order("3", 3)}));
  EXPECT_EQ(h.session().counterLumarilog, 3);
  h.app->FrmMainMdi_mnulvex_Click();
  EXPECT_EQ(h.data("lumari.dat"),
            "12/5/2026 start time = 14:03:07 end time = 14:03:07 Counter Lumarilog =  3\r\n");
}

TEST_F(RunLog, SeveralRunsAppendLinesAndNeverChangeEarlierOnes) {
  h.write_data("lumari.dat", "an earlier run\r\n");
  h.start();
  h.clock.current = {2026, 12, 5, 15, 0, 0};
  h.app->FrmMainMdi_mnuflex_Click();

  // The next run of the program over the same folders.
  h.clock.current = {2026, 12, 7, 9, 0, 0};
  core::App next(core::Ports{h.ui, h.clock, h.adapters, h.web.factory()},
                 core::AppConfig{h.data_folder, "http://service.test", {}});
  next.FrmMainMdi_Form_Load();
  h.web.answer("/LumariLoginCheckAction.do", std::string("1234;11;Alpha"));
  next.FrmMainMdi_mnuFlSi_Click();
  next.session().login.controls.txtUser = "ann@example.com";
  next.session().login.controls.txtPass = "secret";
  next.frmLogin_cmdLogin_Click();
  h.clock.current = {2026, 12, 7, 9, 5, 0};
  next.FrmMainMdi_mnulvex_Click();

  EXPECT_EQ(h.data("lumari.dat"),
            "an earlier run\r\n"
            "12/5/2026 start time =  end time = 15:00:00 Counter Lumarilog =  0\r\n"
            "12/7/2026 start time = 09:00:00 end time = 09:05:00 Counter Lumarilog =  0\r\n");
}

TEST_F(RunLog, LineIsAppendedWithoutRewritingTheFile) {
  h.write_data("lumari.dat",
               "12/4/2026 start time =  end time = 10:00:00 Counter Lumarilog =  0\r\n");
  h.start();
  h.app->FrmMainMdi_mnuflex_Click();
  EXPECT_EQ(h.data("lumari.dat"),
            "12/4/2026 start time =  end time = 10:00:00 Counter Lumarilog =  0\r\n"
            "12/5/2026 start time =  end time = 14:03:07 Counter Lumarilog =  0\r\n");
  const auto calls = take_data_calls();
  EXPECT_TRUE(has_call(calls, FileOp::Append, "lumari.dat"));
  EXPECT_FALSE(has_call(calls, FileOp::Write, "lumari.dat.tmp"));
}

TEST_F(RunLog, MissingDataFolderDropsTheLineAndTheExitGoesOn) {
  log_in();
  std::filesystem::remove_all(h.data_folder);
  h.app->FrmMainMdi_mnulvex_Click();
  EXPECT_FALSE(std::filesystem::exists(h.data_folder));
  EXPECT_TRUE(h.ui.ended);
  EXPECT_FALSE(h.ui.tray_icon);
  EXPECT_EQ(h.ui.calls.back(), "end program");
}

TEST_F(RunLog, RunLogThatCannotBeAppendedToIsLeftAsItWas) {
  h.write_data("lumari.dat", "an earlier run\r\n");
  h.start();
  fail_when = [](FileOp op, std::string_view name) {
    return op == FileOp::Append && name == "lumari.dat";
  };
  h.app->FrmMainMdi_mnuflex_Click();
  EXPECT_EQ(h.data("lumari.dat"), "an earlier run\r\n");
  EXPECT_TRUE(h.ui.ended);
}

}  // namespace
}  // namespace lumari::test
