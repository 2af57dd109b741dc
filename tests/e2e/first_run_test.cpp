// The first run: no data files yet, so the program asks for the MT4 folder,
// refuses a path that does not name terminal.exe, saves a good one and opens
// the login window.
#include <filesystem>

#include "controls.h"
#include "e2e_fixture.h"
#include "process_windows.h"
#include "win32/control_ids.h"

namespace lumari::test {
namespace {

using namespace win32;

using FirstRun = E2eTest;

TEST_F(FirstRun, AsksForMt4RefusesCapitalTerminalExeSavesAGoodPathAndOpensLogin) {
  std::error_code error;
  std::filesystem::create_directories(data_dir_, error);  // installed empty
  ASSERT_FALSE(error);
  ASSERT_NO_FATAL_FAILURE(start_program());

  ASSERT_NE(wait_for([&] { return find_message_box(pid(), kAppTitle); }, kWindowWait), nullptr)
      << "no message at the first start";
  EXPECT_EQ(find_top_window(pid(), kSettingsWindowClass), nullptr)
      << "the settings window opens only after the message is closed";
  ASSERT_NO_FATAL_FAILURE(expect_message_box("Please locate your MT4 now", BoxIcon::Information,
                                             "message-please-locate-your-mt4"));

  HWND settings = expect_window(kSettingsWindowClass, kSettingsCaption, "settings-first-run");
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(count_visible_windows(pid(), kSettingsWindowClass), 1)
      << "both start-up steps show the settings window; the second only brings it forward";
  EXPECT_EQ(control_text(settings, kIdMt4Location), "terminal.exe");
  EXPECT_EQ(find_top_window(pid(), kLoginWindowClass), nullptr)
      << "no login window before the settings step is over";

  // "Terminal.exe" with a capital T, as in the window's own example, is refused.
  ASSERT_TRUE(set_control_text(settings, kIdMt4Location, mt4_dir_ + "Terminal.exe"));
  ASSERT_TRUE(post_click(settings, kIdCmdSave));
  ASSERT_NO_FATAL_FAILURE(
      expect_message_box("The Application is invalid. Make sure you have chosen terminal.exe file",
                         BoxIcon::Critical, "message-application-invalid"));
  EXPECT_TRUE(IsWindow(settings) && IsWindowVisible(settings))
      << "the settings window stays open after a refused path";
  EXPECT_FALSE(file_exists(data_file("settings.dat")));
  EXPECT_FALSE(file_exists(data_file("install.dat")));
  EXPECT_EQ(find_top_window(pid(), kLoginWindowClass), nullptr);

  ASSERT_TRUE(set_control_text(settings, kIdMt4Location, mt4_dir_ + "terminal.exe"));
  screenshot(settings, "settings-good-path");
  ASSERT_TRUE(post_click(settings, kIdCmdSave));
  HWND login = expect_window(kLoginWindowClass, kLoginCaption, "login-after-first-run");
  ASSERT_NE(login, nullptr) << "the end of the first-run step opens the login window";
  EXPECT_TRUE(wait_until_gone(settings, kWindowWait)) << "Save closes the settings window";
  EXPECT_EQ(file_bytes(data_file("settings.dat")), mt4_dir_ + "\r\n");
  EXPECT_EQ(file_bytes(data_file("install.dat")), "\r\n");
  EXPECT_EQ(count_visible_windows(pid(), kLoginWindowClass), 1);
  EXPECT_EQ(find_message_box(pid(), kAppTitle), nullptr) << "no message after a good path";
}

}  // namespace
}  // namespace lumari::test
