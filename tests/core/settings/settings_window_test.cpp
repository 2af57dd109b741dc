#include <gtest/gtest.h>

#include "settings/mt4_location.h"
#include "support/app_harness.h"
#include "text/file_io.h"
#include "text/path_text.h"

namespace lumari::test {
namespace {

using core::MessageIcon;
using core::WindowId;

constexpr const char* kRejected =
    "The Application is invalid. Make sure you have chosen terminal.exe file";

std::string exchange_of(const std::string& folder) {
  return folder + "experts" + core::kPathSeparator + "files";
}

class SettingsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    h.start();
    h.app->FrmMainMdi_mnuflset_Click();
    ASSERT_TRUE(h.ui.is_open(WindowId::Settings));
  }
  void save(const std::string& text) {
    h.session().settings.mt4location = text;
    h.app->frmSettings_cmdSave_Click();
  }
  AppHarness h;
};

TEST_F(SettingsWindow, OpensWithTheSavedFolderAndTerminalExe) {
  EXPECT_EQ(h.session().settings.mt4location, h.mt4_folder + "terminal.exe");
}

TEST_F(SettingsWindow, SaveKeepsTheTextBeforeTheFirstTerminalExe) {
  const struct {
    std::string typed, folder;
  } cases[] = {
      {"C:\\MT4\\terminal.exe", "C:\\MT4\\"}, {"terminal.exe", ""},
      {"C:\\a\\terminal.exe\\b", "C:\\a\\"},  {"C:\\x terminal.exe y\\terminal.exe", "C:\\x "},
      {"/opt/mt4/terminal.exe", "/opt/mt4/"},
  };
  for (const auto& c : cases) {
    h.app->FrmMainMdi_mnulvset_Click();
    save(c.typed);
    EXPECT_TRUE(h.ui.messages.empty()) << c.typed;
    EXPECT_EQ(h.data("settings.dat"), c.folder + "\r\n") << c.typed;
    EXPECT_EQ(h.session().main.pathname, c.folder);
    EXPECT_EQ(h.session().main.pathname1, exchange_of(c.folder));
    EXPECT_FALSE(h.ui.is_open(WindowId::Settings));
  }
}

TEST_F(SettingsWindow, PathWithoutLowerCaseTerminalExeIsRejected) {
  const std::string before = h.data("settings.dat");
  const std::string exchange_before = h.session().main.pathname1;
  for (const std::string& typed :
       {std::string("C:\\Program Files\\Broker\\Terminal.exe"), std::string(),
        std::string("C:\\MT4\\"), std::string("TERMINAL.EXE"), std::string("terminal.ex"),
        std::string("C:\\a\r\nb\\terminal.exe"), std::string("C:\\a\nterminal.exe"),
        std::string("C:\\a\0b\\terminal.exe", 19)}) {
    h.ui.messages.clear();
    save(typed);
    ASSERT_EQ(h.ui.messages.size(), 1u) << typed;
    EXPECT_EQ(h.ui.messages[0].text, kRejected);
    EXPECT_EQ(h.ui.messages[0].caption, "Lumari Terminal");
    EXPECT_EQ(h.ui.messages[0].icon, MessageIcon::Critical);
    EXPECT_TRUE(h.ui.is_open(WindowId::Settings));
    EXPECT_EQ(h.data("settings.dat"), before);
    EXPECT_EQ(h.session().main.pathname1, exchange_before);
    EXPECT_EQ(h.session().main.pathname, typed) << "the rejected text is kept";
  }
}

TEST_F(SettingsWindow, RejectedTextComesBackWhenReopened) {
  save("D:\\Other\\Terminal.exe");
  h.app->frmSettings_cmdCancel_Click();
  EXPECT_FALSE(h.ui.is_open(WindowId::Settings));
  h.app->FrmMainMdi_mnulvset_Click();
  EXPECT_EQ(h.session().settings.mt4location, "D:\\Other\\Terminal.exeterminal.exe");
}

TEST_F(SettingsWindow, BrowseTakesTheChosenFileAndACancelledDialogTheLastChoice) {
  h.ui.dialog_results = {std::string("E:\\MT4\\terminal.exe"), std::nullopt};
  h.app->frmSettings_cmdBrowse_Click();
  EXPECT_EQ(h.session().settings.mt4location, "E:\\MT4\\terminal.exe");
  h.session().settings.mt4location = "typed over";
  h.app->frmSettings_cmdBrowse_Click();
  EXPECT_EQ(h.session().settings.mt4location, "E:\\MT4\\terminal.exe");

  // A new opening of the window starts with a dialog that has chosen nothing.
  h.app->frmSettings_cmdCancel_Click();
  h.app->FrmMainMdi_mnulvset_Click();
  h.app->frmSettings_cmdBrowse_Click();
  EXPECT_EQ(h.session().settings.mt4location, "");
}

TEST_F(SettingsWindow, UnwritableSettingsFileKeepsTheWindowOpen) {
  const std::string exchange_before = h.session().main.pathname1;
  core::set_file_fault_hook([](core::FileOp op, const std::string& path) {
    return op == core::FileOp::Write && path.find("settings.dat") != std::string::npos;
  });
  save("C:\\New\\terminal.exe");
  core::set_file_fault_hook(nullptr);
  ASSERT_EQ(h.ui.messages.size(), 1u);
  EXPECT_EQ(h.ui.messages[0].icon, MessageIcon::Critical);
  EXPECT_TRUE(h.ui.is_open(WindowId::Settings));
  EXPECT_EQ(h.data("settings.dat"), h.mt4_folder + "\r\n");
  EXPECT_EQ(h.session().main.pathname1, exchange_before);

  save("C:\\New\\terminal.exe");
  EXPECT_EQ(h.data("settings.dat"), "C:\\New\\\r\n");
}

TEST_F(SettingsWindow, LaterClosesDoNotLogIn) {
  h.app->frmSettings_cmdCancel_Click();
  EXPECT_FALSE(h.ui.is_open(WindowId::Login));
  EXPECT_EQ(h.session().installCheck, "install.dat");
}

TEST(FirstRunSettings, CancelCreatesTheMarkerOpensLoginAndSavesNothing) {
  AppHarness h;
  h.app->FrmMainMdi_Form_Load();
  h.app->frmSettings_cmdCancel_Click();
  EXPECT_EQ(h.data("install.dat"), "\r\n");
  EXPECT_FALSE(h.has_data("settings.dat"));
  EXPECT_TRUE(h.ui.is_open(WindowId::Login));
  EXPECT_EQ(h.session().login.controls.txtUser, "") << "the login window is not pre-filled";

  // The next start asks for MT4 again.
  AppHarness next;
  next.write_data("install.dat", "\r\n");
  next.app->FrmMainMdi_Form_Load();
  ASSERT_EQ(next.ui.messages.size(), 1u);
  EXPECT_EQ(next.ui.messages[0].text, "Please locate your MT4 now");
}

TEST(FirstRunSettings, SaveCreatesSettingsAndMarkerThenOpensLogin) {
  AppHarness h;
  h.app->FrmMainMdi_Form_Load();
  h.session().settings.mt4location = h.mt4_folder + "terminal.exe";
  h.app->frmSettings_cmdSave_Click();
  EXPECT_EQ(h.data("settings.dat"), h.mt4_folder + "\r\n");
  EXPECT_EQ(h.data("install.dat"), "\r\n");
  EXPECT_TRUE(h.ui.is_open(WindowId::Login));
  EXPECT_FALSE(h.ui.is_open(WindowId::Settings));
}

TEST(Mt4Location, FolderOfTerminalPath) {
  EXPECT_EQ(core::mt4_folder_of("C:\\MT4\\terminal.exe"), "C:\\MT4\\");
  EXPECT_EQ(core::mt4_folder_of("terminal.exe"), "");
  EXPECT_EQ(core::mt4_folder_of("C:\\MT4\\Terminal.exe"), std::nullopt);
}

}  // namespace
}  // namespace lumari::test
