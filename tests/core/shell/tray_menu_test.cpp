#include <gtest/gtest.h>

#include "support/app_harness.h"

namespace lumari::test {
namespace {

using core::MenuId;
using core::MenuItem;
using core::WindowId;

TEST(TrayIcon, OnlyARightButtonPressOpensAMenu) {
  AppHarness h;
  h.start();
  // Moves, left button down/up/double click, right button up and double click.
  for (const int message : {512, 513, 514, 515, 517, 518, 519, 520, 0, -516}) {
    h.app->FrmMainMdi_Form_MouseMove(message);
  }
  EXPECT_TRUE(h.ui.menus_shown.empty());
  h.app->FrmMainMdi_Form_MouseMove(516);
  EXPECT_EQ(h.ui.menus_shown, std::vector<MenuId>{MenuId::File});
}

TEST(TrayIcon, MenuFollowsTheLoginFlag) {
  AppHarness h;
  h.start();
  h.app->FrmMainMdi_Form_MouseMove(516);
  EXPECT_EQ(h.session().main.swlogin, 0);
  h.session().main.swlogin = 1;
  h.app->FrmMainMdi_Form_MouseMove(516);
  h.session().main.swlogin = 7;
  h.app->FrmMainMdi_Form_MouseMove(516);
  EXPECT_EQ(h.ui.menus_shown, (std::vector<MenuId>{MenuId::File, MenuId::Live, MenuId::File}));
  EXPECT_EQ(h.session().main.swlogin, 0) << "the logged-out menu resets the flag";
}

TEST(TrayIcon, ChosenItemRunsItsAction) {
  AppHarness h;
  h.start();
  h.ui.menu_choices.push_back(MenuItem::mnuflset);
  h.app->FrmMainMdi_Form_MouseMove(516);
  EXPECT_TRUE(h.ui.is_open(WindowId::Settings));
  h.app->FrmMainMdi_Form_MouseMove(516);  // dismissed: nothing happens
  EXPECT_EQ(h.ui.count_calls("show Settings"), 1);
}

TEST(TrayMenu, LoginResetsTheEmailBoxBeforeTheSavedRecord) {
  AppHarness h;
  h.start();
  h.session().login.controls.txtUser = "typed before";
  h.app->FrmMainMdi_mnuFlSi_Click();
  EXPECT_EQ(h.session().login.controls.txtUser, " ");
  EXPECT_TRUE(h.ui.is_open(WindowId::Login));

  h.write_data("chklogin.dat", "1;1;ann@example.com\r\n");
  h.app->FrmMainMdi_mnuFlSi_Click();
  EXPECT_EQ(h.session().login.controls.txtUser, "ann@example.com");
  EXPECT_EQ(h.session().login.controls.chklogin, 1);
}

TEST(TrayMenu, LogoutStopsPollingAndKeepsTheSession) {
  AppHarness h;
  h.log_in("1234;11;Alpha;");
  ASSERT_TRUE(h.ui.timer_enabled);
  h.app->FrmMainMdi_mnulvSo_Click();
  EXPECT_FALSE(h.ui.timer_enabled);
  EXPECT_EQ(h.session().main.swlogin, 0);
  EXPECT_EQ(h.session().systemid, "11");
  EXPECT_TRUE(h.session().fetcher.loaded);
  h.app->FrmMainMdi_Form_MouseMove(516);
  EXPECT_EQ(h.ui.menus_shown.back(), MenuId::File);
}

TEST(TrayMenu, ExitOnFirstRunClosesSettingsWithoutMarkerAndWritesRunLog) {
  AppHarness h;
  h.app->FrmMainMdi_Form_Load();
  ASSERT_TRUE(h.ui.is_open(WindowId::Settings));
  h.app->FrmMainMdi_mnuflex_Click();
  EXPECT_FALSE(h.has_data("install.dat"));
  EXPECT_FALSE(h.ui.tray_icon);
  EXPECT_TRUE(h.ui.ended);
  EXPECT_TRUE(h.app->ended());
  EXPECT_EQ(h.data("lumari.dat"),
            "12/5/2026 start time =  end time = 14:03:07 Counter Lumarilog =  0\r\n");
}

TEST(TrayMenu, SettingItemsShowTheSettingsWindow) {
  AppHarness h;
  h.log_in("1234;11;Alpha;");
  h.app->FrmMainMdi_mnulvset_Click();
  EXPECT_TRUE(h.ui.is_open(WindowId::Settings));
  EXPECT_EQ(h.session().settings.mt4location, h.mt4_folder + "terminal.exe");
}

}  // namespace
}  // namespace lumari::test
