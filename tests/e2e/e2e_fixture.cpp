#include "e2e_fixture.h"

#include <shlobj.h>

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "controls.h"
#include "driver_options.h"
#include "process_windows.h"
#include "screen_capture.h"
#include "text/file_io.h"
#include "tray.h"
#include "win32/control_ids.h"

namespace lumari::test {
namespace {

namespace fs = std::filesystem;
using namespace win32;

constexpr int kFailuresWithScreenshot = 3;
constexpr Millis kPaintWait{2'000};
/// A request answered just now reaches the service's log a moment later.
constexpr Millis kLogSettle{500};

E2eTest* active_test = nullptr;
int shot_counter = 0;  // screenshots of one driver run are numbered in order

BOOL CALLBACK any_child_needs_paint(HWND child, LPARAM found) {
  if (GetUpdateRect(child, nullptr, FALSE)) {
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
  }
  return TRUE;
}

// Lets the window's thread handle what is queued and paint, so that its picture
// shows what it would show a user.
void wait_until_painted(HWND window) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
  (void)wait_until(
      [&] {
        if (!IsWindow(window)) return true;
        bool needs_paint = GetUpdateRect(window, nullptr, FALSE) != FALSE;
        if (!needs_paint) {
          EnumChildWindows(window, any_child_needs_paint, reinterpret_cast<LPARAM>(&needs_paint));
        }
        return !needs_paint;
      },
      kPaintWait);
}

std::string expand_environment(const std::string& text) {
  std::string expanded(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = ExpandEnvironmentStringsA(text.c_str(), expanded.data(),
                                                   static_cast<DWORD>(expanded.size()));
    if (length == 0) return text;
    if (length <= expanded.size()) {
      expanded.resize(length - 1);  // the count includes the terminating NUL
      return expanded;
    }
    expanded.resize(length);
  }
}

std::string file_name_part(std::string_view what) {
  std::string name;
  for (const char c : what) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    name += plain ? c : '-';
  }
  return name;
}

}  // namespace

void report_failure_of_active_test() {
  if (active_test != nullptr) active_test->report_failure();
}

void E2eTest::report_failure() {
  if (failures_reported_++ >= kFailuresWithScreenshot) return;
  if (program_) std::cout << describe_top_windows(pid()) << std::flush;
  screenshot_screen("failure-screen");
}

void E2eTest::SetUp() {
  active_test = this;
  const auto& options = driver_options();
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string root =
      join(options.work, file_name_part(std::string(info->test_suite_name()) + "." + info->name()));
  program_dir_ = options.program_folder.empty() ? join(root, "program")
                                                : expand_environment(options.program_folder);
  program_file_ = join(program_dir_, "LumariTerminal.exe");
  data_dir_ = join(program_dir_, "data");
  mt4_dir_ = join(root, "mt4") + "\\";
  exchange_dir_ = mt4_dir_ + "experts\\files";

  std::error_code error;
  fs::remove_all(root, error);
  fs::create_directories(exchange_dir_, error);
  ASSERT_FALSE(error) << "cannot create " << exchange_dir_ << ": " << error.message();
  if (options.program_folder.empty()) {
    fs::create_directories(program_dir_, error);
    ASSERT_FALSE(error) << "cannot create " << program_dir_ << ": " << error.message();
    fs::copy_file(options.program, program_file_, error);
    ASSERT_FALSE(error) << "cannot copy " << options.program << ": " << error.message();
  }
  fs::create_directories(options.out, error);
  ASSERT_TRUE(SetEnvironmentVariableA("LUMARI_SERVICE_URL", options.service_url.c_str()));
}

void E2eTest::TearDown() {
  if (!terminal_data_dir_.empty()) {
    std::error_code error;
    fs::remove_all(terminal_data_dir_, error);
  }
  if (program_ && program_->running()) {
    if (HasFailure()) std::cout << describe_top_windows(pid()) << std::flush;
    program_->kill();
  }
  active_test = nullptr;
}

void E2eTest::install() {
  std::error_code error;
  fs::create_directories(data_dir_, error);
  ASSERT_FALSE(error) << "cannot create " << data_dir_;
  ASSERT_TRUE(core::replace_file(data_file("settings.dat"), mt4_dir_ + "\r\n"));
  ASSERT_TRUE(core::replace_file(data_file("install.dat"), "\r\n"));
}

void E2eTest::use_terminal_data_folder() {
  char app_data[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, app_data)));
  terminal_data_dir_ =
      std::string(app_data) + "\\MetaQuotes\\Terminal\\E2E" + std::to_string(GetCurrentProcessId());
  std::error_code error;
  fs::remove_all(mt4_dir_ + "experts", error);
  exchange_dir_ = terminal_data_dir_ + "\\MQL4\\Files";
  fs::create_directories(exchange_dir_, error);
  ASSERT_FALSE(error) << "cannot create " << exchange_dir_;
  // As terminals write it: UTF-16 LE with its byte-order mark, no trailing separator.
  std::string origin = "\xFF\xFE";
  for (const char c : mt4_dir_.substr(0, mt4_dir_.size() - 1)) origin += {c, '\0'};
  ASSERT_TRUE(core::replace_file(terminal_data_dir_ + "\\origin.txt", origin));
}

void E2eTest::start_program() {
  std::string error;
  // Started from the folder above the program's: the program must find its data
  // folder from its own file's place, not from the current folder.
  program_ = ProgramProcess::start(program_file_, join(program_dir_, ".."), error);
  ASSERT_TRUE(program_) << error;
  main_window_ =
      wait_for([&] { return find_any_top_window(pid(), kMainWindowClass); }, kWindowWait);
  ASSERT_NE(main_window_, nullptr) << "no main window of class \"" << kMainWindowClass
                                   << "\" within " << kWindowWait.count() << " ms";
  EXPECT_TRUE(wait_until([&] { return tray_icon_present(main_window_, kTrayIconId); }, kWindowWait))
      << "no tray icon with id 1 on the main window";
}

void E2eTest::expect_quiet_start() {
  EXPECT_TRUE(program_->wait_until_idle(kWindowWait)) << "the program's start-up did not end";
  for (const char* class_name :
       {kSettingsWindowClass, kLoginWindowClass, kSelectionWindowClass, "#32770"}) {
    EXPECT_EQ(find_top_window(pid(), class_name), nullptr)
        << "a start with both data files shows a window of class " << class_name;
  }
}

std::string E2eTest::shot_path(std::string_view what) {
  char number[16];
  std::snprintf(number, sizeof number, "%02d-", ++shot_counter);
  return join(driver_options().out, number + file_name_part(what) + ".bmp");
}

void E2eTest::screenshot(HWND window, std::string_view what) {
  wait_until_painted(window);
  // Controls may still paint after the window's own update region is empty:
  // take the picture once two looks in a row agree.
  std::optional<Image> image = capture_window(window);
  (void)wait_until(
      [&] {
        auto again = capture_window(window);
        const bool same = image && again && image_distance(*image, *again) == 0u;
        image = std::move(again);
        return same;
      },
      kPaintWait);
  const std::string path = shot_path(what);
  if (!image || !save_bmp(*image, path)) std::cout << "no screenshot " << path << "\n";
}

void E2eTest::screenshot_screen(std::string_view what) {
  const auto image = capture_whole_screen();
  const std::string path = shot_path(what);
  if (!image || !save_bmp(*image, path)) std::cout << "no screenshot " << path << "\n";
}

HWND E2eTest::expect_window(const char* class_name, const char* caption, std::string_view shot) {
  HWND window = wait_for_top_window(pid(), class_name, caption, kWindowWait);
  if (window == nullptr) {
    ADD_FAILURE() << "no visible window of class \"" << class_name << "\" captioned \"" << caption
                  << "\" within " << kWindowWait.count() << " ms";
    return nullptr;
  }
  screenshot(window, shot);
  return window;
}

void E2eTest::expect_message_box(std::string_view text, BoxIcon icon, std::string_view shot,
                                 Millis limit) {
  const auto box = wait_for_message_box(pid(), kAppTitle, limit);
  ASSERT_TRUE(box.has_value()) << "no message box \"" << text << "\" within " << limit.count()
                               << " ms";
  screenshot(box->window, shot);
  EXPECT_EQ(box->text, text);
  EXPECT_EQ(box->icon, icon) << "message box \"" << box->text << "\"";
  EXPECT_EQ(box->buttons, 1) << "a message box with OK only";
  ASSERT_NE(box->ok, nullptr) << "message box \"" << box->text << "\" without an OK button";
  press_ok(*box);
  ASSERT_TRUE(wait_until_gone(box->window, kWindowWait))
      << "message box \"" << box->text << "\" did not close on OK";
}

void E2eTest::choose_from_tray_menu(char access_key, std::string_view shot) {
  HWND menu = open_tray_menu(pid(), main_window_, kMenuWait);
  ASSERT_NE(menu, nullptr) << "no pop-up menu after the tray icon's right-button press";
  screenshot(menu, shot);
  ASSERT_TRUE(choose_menu_item(menu, access_key, kMenuWait))
      << "the pop-up menu did not close on the key '" << access_key << "'";
}

void E2eTest::open_login_window(HWND& login) {
  ASSERT_NO_FATAL_FAILURE(choose_from_tray_menu('L', "tray-menu-logged-out"));
  login = expect_window(kLoginWindowClass, kLoginCaption, "login-window");
  ASSERT_NE(login, nullptr) << "Login of the logged-out menu opens the login window";
}

void E2eTest::submit_login(HWND login, std::string_view email, std::string_view password) {
  ASSERT_TRUE(set_control_text(login, kIdTxtUser, email)) << "cannot type into txtUser";
  ASSERT_TRUE(set_control_text(login, kIdTxtPass, password)) << "cannot type into txtPass";
  ASSERT_TRUE(post_click(login, kIdCmdLogin)) << "no Login button";
}

void E2eTest::log_in_one_system() {
  HWND login = nullptr;
  ASSERT_NO_FATAL_FAILURE(open_login_window(login));
  ASSERT_NO_FATAL_FAILURE(submit_login(login, "demo@example.com", "demo"));
  ASSERT_TRUE(wait_until_gone(login, kWindowWait))
      << "the login window stayed open after an accepted login";
  EXPECT_EQ(find_message_box(pid(), kAppTitle), nullptr) << "no message at an accepted login";
}

std::vector<OrderRequest> E2eTest::program_order_requests() const {
  auto requests = order_requests(driver_options().request_log);
  std::erase_if(requests, [](const OrderRequest& r) { return r.loginid == kOtherComputer; });
  return requests;
}

bool E2eTest::wait_for_program_polls(std::size_t count, Millis limit) const {
  return wait_until([&] { return program_order_requests().size() >= count; }, limit);
}

void E2eTest::expect_polling_stopped(std::string_view after) {
  Sleep(static_cast<DWORD>(kLogSettle.count()));
  const auto before = program_order_requests().size();
  // Real time has to pass here: the claim is that no tick comes for longer than
  // the program's polling interval.
  Sleep(static_cast<DWORD>(kQuietWait.count()));
  EXPECT_EQ(program_order_requests().size(), before)
      << "the program sent order requests after " << after;
}

std::string E2eTest::data_file(std::string_view name) const { return join(data_dir_, name); }

std::string E2eTest::exchange_file(std::string_view name) const {
  return join(exchange_dir_, name);
}

bool E2eTest::file_exists(const std::string& path) { return core::file_exists(path); }

std::string E2eTest::file_bytes(const std::string& path) {
  auto bytes = core::read_file(path);
  return bytes ? *bytes : std::string();
}

}  // namespace lumari::test
