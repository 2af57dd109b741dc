// How following a system ends: the service forces a logout because the same
// account polls from another computer, the user logs out, or the user exits.
#include <condition_variable>
#include <mutex>
#include <regex>
#include <thread>

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

/// A window of another program that the user works in: the driver's own, shown
/// and brought to the foreground on a thread that serves its messages.
class OtherProgramWindow {
 public:
  OtherProgramWindow() : thread_([this] { run(); }) {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return started_; });
  }
  ~OtherProgramWindow() {
    if (thread_id_ != 0) PostThreadMessageA(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
  }
  OtherProgramWindow(const OtherProgramWindow&) = delete;
  OtherProgramWindow& operator=(const OtherProgramWindow&) = delete;

  [[nodiscard]] HWND hwnd() const { return window_; }

 private:
  void run() {
    HWND window =
        CreateWindowExA(0, "STATIC", "Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                        320, 160, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window != nullptr) SetForegroundWindow(window);
    {
      const std::lock_guard lock(mutex_);
      window_ = window;
      thread_id_ = GetCurrentThreadId();
      started_ = true;
    }
    ready_.notify_one();
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    if (window != nullptr) DestroyWindow(window);
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  bool started_ = false;
  HWND window_ = nullptr;
  DWORD thread_id_ = 0;
  std::thread thread_;
};

TEST_F(SessionEnd, ForcedLogoutShowsTheMessageStopsPollingAndShowsTheLoginWindow) {
  ASSERT_NO_FATAL_FAILURE(install());
  ASSERT_NO_FATAL_FAILURE(start_program());
  ASSERT_NO_FATAL_FAILURE(log_in_one_system());
  ASSERT_TRUE(wait_for_program_polls(1, kPollsWait)) << "the program did not poll";

  // The user has typed into the settings window, then turned to another program.
  ASSERT_NO_FATAL_FAILURE(choose_from_tray_menu('S', "tray-menu-logged-in-setting"));
  HWND settings = expect_window(kSettingsWindowClass, kSettingsCaption, "settings-while-following");
  ASSERT_NE(settings, nullptr) << "Setting of the logged-in menu opens the settings window";
  ASSERT_TRUE(set_control_text(settings, kIdMt4Location, "C:\\typed first\\terminal.exe"));
  const OtherProgramWindow elsewhere;
  ASSERT_TRUE(wait_until([&] { return GetForegroundWindow() == elsewhere.hwnd(); }, kWindowWait))
      << "another program could not be made the active one";

  // Another computer logs in with the same account and polls: it takes the session.
  const std::string service = driver_options().service_url;
  EXPECT_EQ(
      service_get(service + "/LumariLoginCheckAction.do?email=demo@example.com&password=demo"),
      "1234;11;Alpha;");
  const std::string other =
      service_get(service + "/GetTD.do?systemid=11&userid=1234&loginid=" + kOtherComputer);
  ASSERT_FALSE(other.starts_with("\r\nYYY"))
      << "the program polled between the other computer's login and its poll; try again";

  // The tick's message box holds the program's own windows while it is open,
  // and a tick that falls due meanwhile loses nothing typed into them.
  const auto box = wait_for_message_box(pid(), kAppTitle, kPollInterval + kWindowWait);
  ASSERT_TRUE(box.has_value()) << "no forced-logout message";
  EXPECT_FALSE(IsWindowEnabled(settings)) << "the settings window works while the box is open";
  EXPECT_TRUE(IsWindowEnabled(elsewhere.hwnd())) << "the box holds another program's window";
  const std::string typed = "C:\\typed while the box is open\\terminal.exe";
  ASSERT_TRUE(set_control_text(settings, kIdMt4Location, typed));
  const std::size_t polls = program_order_requests().size();
  Sleep(static_cast<DWORD>((kPollInterval + Millis{1'500}).count()));
  EXPECT_EQ(program_order_requests().size(), polls) << "a tick polled while the box was open";
  EXPECT_EQ(control_text(settings, kIdMt4Location), typed) << "a tick lost the typed text";
  ASSERT_NO_FATAL_FAILURE(expect_message_box(
      "User with same credentials is login on another computer.\rYou are forced to logout!.",
      BoxIcon::Critical, "message-forced-logout", kWindowWait));
  HWND login = expect_window(kLoginWindowClass, kLoginCaption, "login-after-forced-logout");
  ASSERT_NE(login, nullptr) << "the login window is shown again after a forced logout";
  const auto requests = program_order_requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.back().outcome, "forced logout: session held by another machine");

  ASSERT_NO_FATAL_FAILURE(expect_polling_stopped("the forced logout"));
  EXPECT_EQ(count_visible_windows(pid(), kLoginWindowClass), 1) << "exactly one login window";
  EXPECT_EQ(find_message_box(pid(), kAppTitle), nullptr) << "the message is shown once";
  EXPECT_TRUE(IsWindowEnabled(settings)) << "the settings window works again";
  EXPECT_EQ(control_text(settings, kIdMt4Location), typed) << "the end of the tick lost the text";
}

TEST_F(SessionEnd, LogoutStopsPollingAndBringsBackTheLoggedOutMenu) {
  ASSERT_NO_FATAL_FAILURE(install());
  ASSERT_NO_FATAL_FAILURE(start_program());
  ASSERT_NO_FATAL_FAILURE(log_in_one_system());
  ASSERT_TRUE(wait_for_program_polls(1, kPollsWait)) << "the program did not poll";

  // The service stops answering: after three ticks without an answer a balloon
  // from the tray icon says so; no message box waits for the user.
  const std::string service = driver_options().service_url;
  ASSERT_EQ(service_get(service + "/demo/fault?mode=reset").substr(0, 2), "OK");
  const std::size_t answered = program_order_requests().size();
  EXPECT_EQ(shown_balloon(), nullptr) << "a balloon before any problem";
  const HWND problem = wait_for(shown_balloon, kPollInterval * 4 + kWindowWait);
  ASSERT_NE(problem, nullptr) << "no balloon after three ticks without an answer";
  screenshot_screen("balloon-no-answer");
  EXPECT_GE(program_order_requests().size(), answered + 3) << "the balloon came too early";
  EXPECT_EQ(find_message_box(pid(), kAppTitle), nullptr) << "a balloon, not a message box";
  EXPECT_TRUE(IsWindowVisible(problem));

  // The service answers again: one more balloon says so.
  ASSERT_EQ(service_get(service + "/demo/fault?mode=none").substr(0, 2), "OK");
  const std::size_t silent = program_order_requests().size();
  ASSERT_TRUE(wait_for_program_polls(silent + 1, kPollsWait)) << "no poll after the outage";
  const HWND over = wait_for(
      [&] {
        const HWND balloon = shown_balloon();
        return balloon != problem ? balloon : nullptr;
      },
      kPollInterval * 2 + Millis{35'000});
  ASSERT_NE(over, nullptr) << "no second balloon once the service answered again";
  screenshot_screen("balloon-answers-again");

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
