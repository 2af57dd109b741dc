#include <gtest/gtest.h>

#include <filesystem>

#include "shell/data_folder.h"
#include "support/app_harness.h"
#include "text/path_text.h"

namespace lumari::test {
namespace {

using core::MessageIcon;
using core::WindowId;

std::string exchange_of(const std::string& folder) {
  return folder + "experts" + core::kPathSeparator + "files";
}

TEST(StartUp, FirstRunAsksForMt4OnceAndOpensOneSettingsWindow) {
  AppHarness h;
  h.app->FrmMainMdi_Form_Load();

  ASSERT_EQ(h.ui.messages.size(), 1u);
  EXPECT_EQ(h.ui.messages[0].text, "Please locate your MT4 now");
  EXPECT_EQ(h.ui.messages[0].caption, "Lumari Terminal");
  EXPECT_EQ(h.ui.messages[0].icon, MessageIcon::Information);
  EXPECT_EQ(h.ui.open_windows, std::vector<WindowId>{WindowId::Settings});
  EXPECT_EQ(h.session().settings.mt4location, "terminal.exe");
  EXPECT_EQ(h.session().main.pathname, "");
  EXPECT_EQ(h.session().main.pathname1, "");
  EXPECT_EQ(h.session().main.host, "http://service.test");
  EXPECT_EQ(h.session().installCheck, "");
  EXPECT_FALSE(h.has_data("install.dat"));
  EXPECT_FALSE(h.ui.is_open(WindowId::Login));
}

TEST(StartUp, LoadSequenceRunsInItsOrder) {
  AppHarness h;
  h.app->FrmMainMdi_Form_Load();
  const std::vector<std::string> expected = {
      "minimize main", "add tray icon",
      "hide main",     "message Information Please locate your MT4 now",
      "show Settings", "timer interval 6000",
      "show Settings",
  };
  EXPECT_EQ(h.ui.calls, expected);
  EXPECT_EQ(h.session().main.TimerInterval, "6000");
  EXPECT_FALSE(h.ui.timer_enabled) << "loading never starts polling";
}

TEST(StartUp, LaterRunShowsNothingAndReadsTheMt4Folder) {
  AppHarness h;
  h.write_data("settings.dat", "D:\\Broker MT4\\\r\nignored second line\r\n");
  h.write_data("install.dat", "\r\n");
  h.app->FrmMainMdi_Form_Load();

  EXPECT_TRUE(h.ui.messages.empty());
  EXPECT_TRUE(h.ui.open_windows.empty());
  EXPECT_EQ(h.session().main.pathname, "D:\\Broker MT4\\");
  EXPECT_EQ(h.session().main.pathname1, exchange_of("D:\\Broker MT4\\"));
  EXPECT_EQ(h.session().installCheck, "install.dat");
  EXPECT_TRUE(h.ui.tray_icon);
}

TEST(StartUp, EmptySettingsFileIsLikeAMissingOneAndCanBeSavedOver) {
  AppHarness h;
  h.write_data("settings.dat", "");
  h.write_data("install.dat", "\r\n");
  h.app->FrmMainMdi_Form_Load();
  ASSERT_EQ(h.ui.messages.size(), 1u);
  EXPECT_EQ(h.ui.messages[0].text, "Please locate your MT4 now");
  ASSERT_TRUE(h.ui.is_open(WindowId::Settings));

  h.session().settings.mt4location = h.mt4_folder + "terminal.exe";
  h.app->frmSettings_cmdSave_Click();
  EXPECT_EQ(h.data("settings.dat"), h.mt4_folder + "\r\n");
  EXPECT_FALSE(h.ui.is_open(WindowId::Settings));
}

TEST(StartUp, SettingsFileWithOneEmptyLineIsAnEmptyFolderNotAFailure) {
  AppHarness h;
  h.write_data("settings.dat", "\r\n");
  h.write_data("install.dat", "\r\n");
  h.app->FrmMainMdi_Form_Load();
  EXPECT_TRUE(h.ui.messages.empty());
  EXPECT_EQ(h.session().main.pathname1, exchange_of(""));
}

TEST(StartUp, MarkerWithoutSettingsAsksForMt4AndKeepsTheMarker) {
  AppHarness h;
  h.write_data("install.dat", "kept as it is\r\n");
  h.app->FrmMainMdi_Form_Load();
  ASSERT_EQ(h.ui.messages.size(), 1u);
  ASSERT_TRUE(h.ui.is_open(WindowId::Settings));

  h.app->frmSettings_cmdCancel_Click();
  EXPECT_EQ(h.data("install.dat"), "kept as it is\r\n");
  EXPECT_FALSE(h.ui.is_open(WindowId::Login)) << "only the first close of an installation logs in";
}

TEST(StartUp, MissingMarkerWithSettingsOpensSettingsWithoutMessage) {
  AppHarness h;
  h.write_data("settings.dat", h.mt4_folder + "\r\n");
  h.app->FrmMainMdi_Form_Load();
  EXPECT_TRUE(h.ui.messages.empty());
  EXPECT_TRUE(h.ui.is_open(WindowId::Settings));
  EXPECT_EQ(h.session().settings.mt4location, h.mt4_folder + "terminal.exe");

  h.app->window_closed(WindowId::Settings);
  EXPECT_EQ(h.data("install.dat"), "\r\n");
  EXPECT_TRUE(h.ui.is_open(WindowId::Login));
}

TEST(StartUp, MissingDataFolderIsCreated) {
  AppHarness h;
  std::filesystem::remove_all(h.data_folder);
  h.app->FrmMainMdi_Form_Load();
  EXPECT_TRUE(std::filesystem::is_directory(h.data_folder));
  h.session().settings.mt4location = "C:\\MT4\\terminal.exe";
  h.app->frmSettings_cmdSave_Click();
  EXPECT_EQ(h.data("settings.dat"), "C:\\MT4\\\r\n");
  EXPECT_EQ(h.data("install.dat"), "\r\n");
}

TEST(StartUp, MachineIdentityIsBuiltOnceIntoTheSessionAndItsBox) {
  AppHarness h;
  h.adapters.list = {1, true, {{core::kAdapterTypeEthernet, {0x00, 0x0c, 0x29, 0x4f, 0x8e, 0x35}}}};
  h.start();
  EXPECT_EQ(h.adapters.calls, 1);
  EXPECT_EQ(h.session().loginid, "00-0C-29-4F-8E-35");
  EXPECT_EQ(h.session().main.TxtGetMacAdr, "00-0C-29-4F-8E-35");
}

TEST(StartUp, ServiceUrlComesFromTheConfiguration) {
  AppHarness h;
  h.start();
  EXPECT_EQ(h.session().main.host, "http://service.test");
}

TEST(MainWindow, UnloadRemovesTheTrayIconOnly) {
  AppHarness h;
  h.start();
  h.ui.calls.clear();
  h.app->FrmMainMdi_Form_Unload();
  EXPECT_EQ(h.ui.calls, std::vector<std::string>{"remove tray icon"});
  EXPECT_FALSE(h.has_data("lumari.dat")) << "no run log line without Exit";
}

}  // namespace
}  // namespace lumari::test
