// Logging in from the tray menu: an account with one system is followed at
// once, one with several asks which, and a wrong password is refused.
#include <filesystem>

#include "controls.h"
#include "driver_options.h"
#include "e2e_fixture.h"
#include "process_windows.h"
#include "support/order_expectations.h"
#include "text/line_file.h"
#include "win32/control_ids.h"

namespace lumari::test {
namespace {

using namespace win32;

using Login = E2eTest;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The request log shows the query as it came: the address with "@" escaped or not.
bool sends_email(const std::string& request_line, const std::string& user,
                 const std::string& domain) {
  return contains(request_line, "email=" + user + "%40" + domain + "&") ||
         contains(request_line, "email=" + user + "@" + domain + "&");
}

TEST_F(Login, OneSystemSwitchesToTheLoggedInMenuAndFillsTheExchangeFiles) {
  ASSERT_NO_FATAL_FAILURE(install());
  ASSERT_NO_FATAL_FAILURE(start_program());
  ASSERT_NO_FATAL_FAILURE(expect_quiet_start());

  HWND login = nullptr;
  ASSERT_NO_FATAL_FAILURE(open_login_window(login));
  EXPECT_EQ(control_text(login, kIdTxtUser), " ") << "Login puts one blank into the e-mail box";
  EXPECT_FALSE(is_checked(login, kIdChkLogin));
  ASSERT_NO_FATAL_FAILURE(submit_login(login, "demo@example.com", "demo"));
  ASSERT_TRUE(wait_until_gone(login, kWindowWait)) << "an accepted login closes the window";

  ASSERT_TRUE(wait_for_program_polls(2, kPollsWait)) << "the program did not poll twice";
  for (const auto& request : program_order_requests()) {
    EXPECT_EQ(request.systemid, "11");
    EXPECT_EQ(request.userid, "1234");
  }

  // The logged-in menu's first item is Logout: polling stops and no login
  // window opens (the logged-out menu's first item would open one).
  ASSERT_NO_FATAL_FAILURE(choose_from_tray_menu('L', "tray-menu-logged-in"));
  ASSERT_NO_FATAL_FAILURE(expect_polling_stopped("choosing L in the logged-in menu"));
  EXPECT_EQ(find_top_window(pid(), kLoginWindowClass), nullptr)
      << "L of the logged-in menu opened the login window: the menu was the logged-out one";

  // With polling stopped, the exchange files hold exactly what was sent.
  const OrderLines sent = core::split_lines(file_bytes(driver_options().sent_log));
  ASSERT_FALSE(sent.empty()) << "the service sent no order line";
  const std::string order_log = file_bytes(exchange_file("Lumari.log"));
  const std::string current = file_bytes(exchange_file("ServerOrder.log"));
  EXPECT_EQ(core::split_lines(order_log), distinct_versions(sent))
      << "every version once, in the order first received";
  EXPECT_EQ(sorted(core::split_lines(current)), latest_versions(sent));
  EXPECT_TRUE(order_log.ends_with("\r\n"));
  EXPECT_TRUE(current.ends_with("\r\n"));
  EXPECT_EQ(file_bytes(data_file("systemp.dat")), "11;Alpha\r\n");
  EXPECT_EQ(file_bytes(data_file("chklogin.dat")), "1;0; \r\n");
}

TEST_F(Login, SeveralSystemsFollowTheOneChosenInTheSelectionWindow) {
  ASSERT_NO_FATAL_FAILURE(install());
  ASSERT_NO_FATAL_FAILURE(use_terminal_data_folder());
  ASSERT_NO_FATAL_FAILURE(start_program());
  HWND login = nullptr;
  ASSERT_NO_FATAL_FAILURE(open_login_window(login));
  ASSERT_NO_FATAL_FAILURE(submit_login(login, "multi@example.com", "demo"));

  HWND selection = expect_window(kSelectionWindowClass, kSelectionCaption, "selection-window");
  ASSERT_NE(selection, nullptr) << "an account with several systems opens the selection window";
  EXPECT_TRUE(wait_until_gone(login, kWindowWait)) << "the login window closes";
  EXPECT_EQ(file_bytes(data_file("systemp.dat")), "11;Alpha\r\n12;Beta Fund\r\n15;Gamma\r\n");
  EXPECT_EQ(combo_entry_count(selection, kIdCmbSystem), 3);
  EXPECT_EQ(control_text(selection, kIdCmbSystem), "11 Alpha") << "the first entry is preselected";
  EXPECT_TRUE(program_order_requests().empty()) << "no polling before Proceed";

  ASSERT_TRUE(choose_combo_entry(selection, kIdCmbSystem, "12 Beta Fund"))
      << "no entry \"12 Beta Fund\"";
  EXPECT_EQ(control_text(selection, kIdCmbSystem), "12 Beta Fund");
  ASSERT_TRUE(send_click(selection, kIdChkSys));
  EXPECT_TRUE(is_checked(selection, kIdChkSys)) << "remember this system";
  screenshot(selection, "selection-window-12-chosen");
  ASSERT_TRUE(post_click(selection, kIdCmdProcced));
  ASSERT_TRUE(wait_until_gone(selection, kWindowWait)) << "Proceed closes the selection window";

  const auto selections =
      requests_to(driver_options().request_log, "/LumariLoginSelectSystemAction.do");
  ASSERT_EQ(selections.size(), 1u);
  EXPECT_TRUE(contains(selections[0], "&systemid=12&")) << selections[0];
  EXPECT_TRUE(sends_email(selections[0], "multi", "example.com")) << selections[0];
  // The saved records: the login record, then the remembered selection (its
  // text followed by the one-character account marker, when there is one).
  const auto records = core::split_lines(file_bytes(data_file("chklogin.dat")));
  ASSERT_EQ(records.size(), 2u) << file_bytes(data_file("chklogin.dat"));
  EXPECT_EQ(records[0], "1;0; ");
  EXPECT_TRUE(records[1].starts_with("2;1;12 Beta Fund") && records[1].size() <= 17) << records[1];

  ASSERT_TRUE(wait_until(
      [&] { return !core::split_lines(file_bytes(exchange_file("ServerOrder.log"))).empty(); },
      kPollsWait))
      << "no order reached ServerOrder.log";
  for (const auto& request : program_order_requests()) {
    EXPECT_EQ(request.systemid, "12");
    EXPECT_EQ(request.userid, "5678");
  }
  for (const auto& line : core::split_lines(file_bytes(exchange_file("ServerOrder.log")))) {
    EXPECT_TRUE(contains(line, ",magic=12")) << line;
  }
  for (const auto& line : core::split_lines(file_bytes(exchange_file("Lumari.log")))) {
    EXPECT_TRUE(contains(line, ",magic=12")) << line;
  }
  EXPECT_FALSE(std::filesystem::exists(mt4_dir_ + "experts"))
      << "nothing is made in the installation";
}

TEST_F(Login, WrongPasswordShowsLoginErrorAndKeepsTheWindowForAnotherTry) {
  ASSERT_NO_FATAL_FAILURE(install());
  ASSERT_NO_FATAL_FAILURE(start_program());
  HWND login = nullptr;
  ASSERT_NO_FATAL_FAILURE(open_login_window(login));
  ASSERT_NO_FATAL_FAILURE(submit_login(login, "  demo@example.com ", "wrong"));

  ASSERT_NO_FATAL_FAILURE(
      expect_message_box("Login Error", BoxIcon::Critical, "message-login-error"));
  ASSERT_TRUE(IsWindow(login) && IsWindowVisible(login)) << "the login window stays open";
  screenshot(login, "login-window-after-refusal");
  EXPECT_EQ(control_text(login, kIdTxtUser), "demo@example.com") << "the e-mail is shown trimmed";
  EXPECT_FALSE(file_exists(data_file("systemp.dat")));
  EXPECT_FALSE(file_exists(data_file("chklogin.dat")));
  EXPECT_TRUE(program_order_requests().empty()) << "no polling after a refused login";
  const auto logins = requests_to(driver_options().request_log, "/LumariLoginCheckAction.do");
  ASSERT_EQ(logins.size(), 1u);
  EXPECT_TRUE(sends_email(logins[0], "demo", "example.com")) << "sent trimmed: " << logins[0];

  // The user corrects the password in the same window and gets in with Enter,
  // Alt held: the key arrives as a system key.
  ASSERT_TRUE(set_control_text(login, kIdTxtPass, "demo"));
  constexpr LPARAM kAltDown = LPARAM{1} << 29;
  const LPARAM enter_key =
      kAltDown | (LPARAM{MapVirtualKeyA(VK_RETURN, MAPVK_VK_TO_VSC)} << 16) | 1;
  ASSERT_TRUE(PostMessageA(GetDlgItem(login, kIdTxtPass), WM_SYSKEYDOWN, VK_RETURN, enter_key));
  ASSERT_TRUE(wait_until_gone(login, kWindowWait)) << "the second try was not accepted";
  EXPECT_TRUE(wait_for_program_polls(1, kPollsWait)) << "no polling after the second try";
}

}  // namespace
}  // namespace lumari::test
