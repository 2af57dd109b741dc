// How following a system ends: the service forces a logout because the same
// account polls from another computer, the user logs out, or the user exits.
#include <regex>

#include "controls.h"
#include "driver_options.h"
#include "e2e_fixture.h"
#include "process_windows.h"
#include "text/line_file.h"
#include "tray.h"
#include "win32/control_ids.h"

namespace lumari::test {
namespace {

using namespace win32;

using SessionEnd = E2eTest;

TEST_F(SessionEnd, ForcedLogoutShowsTheMessageStopsPollingAndShowsTheLoginWindow) {
  ASSERT_NO_FATAL_FAILURE(install());
  ASSERT_NO_FATAL_FAILURE(start_program());
  ASSERT_NO_FATAL_FAILURE(log_in_one_system());
  ASSERT_TRUE(wait_for_program_polls(1, kPollsWait)) << "the program did not poll";

  // Another computer logs in with the same account and polls: it takes the session.
  const std::string service = driver_options().service_url;
  EXPECT_EQ(
      service_get(service + "/LumariLoginCheckAction.do?email=demo@example.com&password=demo"),
      "1234;11;Alpha;");
  const std::string other =
      service_get(service + "/GetTD.do?systemid=11&userid=1234&loginid=" + kOtherComputer);
  ASSERT_FALSE(other.starts_with("\r\nYYY"))
      << "the program polled between the other computer's login and its poll; try again";

  ASSERT_NO_FATAL_FAILURE(expect_message_box(
      "User with same credentials is login on another computer.\rYou are forced to logout!.",
      BoxIcon::Critical, "message-forced-logout", kPollInterval + kWindowWait));
  HWND login = expect_window(kLoginWindowClass, kLoginCaption, "login-after-forced-logout");
  ASSERT_NE(login, nullptr) << "the login window is shown again after a forced logout";
  const auto requests = program_order_requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.back().outcome, "forced logout: session held by another machine");

  ASSERT_NO_FATAL_FAILURE(expect_polling_stopped("the forced logout"));
  EXPECT_EQ(count_visible_windows(pid(), kLoginWindowClass), 1) << "exactly one login window";
  EXPECT_EQ(find_message_box(pid(), kAppTitle), nullptr) << "the message is shown once";
}

TEST_F(SessionEnd, LogoutStopsPollingAndBringsBackTheLoggedOutMenu) {
  ASSERT_NO_FATAL_FAILURE(install());
  ASSERT_NO_FATAL_FAILURE(start_program());
  ASSERT_NO_FATAL_FAILURE(log_in_one_system());
  ASSERT_TRUE(wait_for_program_polls(1, kPollsWait)) << "the program did not poll";

  ASSERT_NO_FATAL_FAILURE(choose_from_tray_menu('L', "tray-menu-logged-in-logout"));
  ASSERT_NO_FATAL_FAILURE(expect_polling_stopped("Logout"));
  EXPECT_EQ(find_top_window(pid(), kLoginWindowClass), nullptr) << "Logout opens no window";
  EXPECT_EQ(find_message_box(pid(), kAppTitle), nullptr) << "Logout shows no message";

  // The next right-button press shows the logged-out menu: its L opens the
  // login window with the e-mail box reset to one blank.
  HWND login = nullptr;
  ASSERT_NO_FATAL_FAILURE(open_login_window(login));
  EXPECT_EQ(control_text(login, kIdTxtUser), " ");
}

TEST_F(SessionEnd, ExitRemovesTheTrayIconEndsTheProgramAndWritesTheRunLog) {
  ASSERT_NO_FATAL_FAILURE(install());
  ASSERT_NO_FATAL_FAILURE(start_program());
  ASSERT_NO_FATAL_FAILURE(log_in_one_system());
  ASSERT_TRUE(wait_for_program_polls(1, kPollsWait)) << "the program did not poll";
  ASSERT_TRUE(tray_icon_present(main_window_, kTrayIconId)) << "the icon is there before Exit";
  EXPECT_FALSE(file_exists(data_file("lumari.dat")));

  ASSERT_NO_FATAL_FAILURE(choose_from_tray_menu('E', "tray-menu-logged-in-exit"));
  const auto exit_code = program_->wait_for_exit(kWindowWait);
  ASSERT_TRUE(exit_code.has_value()) << "the program did not end after Exit";
  EXPECT_EQ(*exit_code, 0u);
  // Windows' shell keeps the icon of a program that ended without deleting it;
  // Wine's also drops the icons of a destroyed window, so under Wine this only
  // shows that no icon is left behind, not who removed it.
  EXPECT_FALSE(tray_icon_present(main_window_, kTrayIconId))
      << "the tray icon outlived the program";

  const std::string run_log = file_bytes(data_file("lumari.dat"));
  const std::regex one_line(
      R"((\S[^\r\n]*) start time = (\S[^\r\n]*) end time = (\S[^\r\n]*) Counter Lumarilog =  ([0-9]+)\r\n)");
  std::smatch parts;
  ASSERT_TRUE(std::regex_match(run_log, parts, one_line)) << "run log: " << run_log;
  const auto order_log_lines = core::split_lines(file_bytes(exchange_file("Lumari.log"))).size();
  EXPECT_EQ(parts[4].str(), std::to_string(order_log_lines))
      << "the counter holds the order-log lines added in this run";
}

}  // namespace
}  // namespace lumari::test
