// e2e_driver: works LumariTerminal.exe through window messages like a user. Each
// scenario of cases/scenarios.txt is one test, a list of steps run in order; the
// runner picks one with --gtest_filter=Scenario/E2e.Runs/<name>.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
#include <regex>
#include <thread>

#include "cases/scenarios.h"
#include "controls.h"
#include "message_box.h"
#include "process_windows.h"
#include "program_process.h"
#include "support/case_file.h"
#include "support/order_expectations.h"
#include "support/runner_environment.h"
#include "text/file_io.h"
#include "text/line_file.h"
#include "text/path_text.h"
#include "tray.h"
#include "win32/control_ids.h"
#include "win32/winhttp_web_client.h"

namespace lumari::test {
namespace {

namespace fs = std::filesystem;
using namespace win32;

constexpr Millis kWindowWait{15'000};
/// The program polls every six seconds; nothing shortens it.
constexpr Millis kPollInterval{6'000};
constexpr Millis kPollsWait{kPollInterval * 5};
constexpr Millis kSetupWait{60'000};
constexpr const char* kOtherComputer = "OTHER-COMPUTER";
constexpr const char* kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" LUMARI_PACKAGE_REGISTRY_KEY;

/// Where the program file is and how to reach the demo service and its logs: the
/// runner's environment, and --program=EXE [--program-folder=DIR] [--installer=EXE].
struct DriverOptions {
  std::string program;      ///< LumariTerminal.exe as built
  std::string work;         ///< an empty folder for the scenario's folders
  std::string service_url;  ///< the demo service's base URL
  std::string sent_log;     ///< the service's --sent-log file
  std::string request_log;  ///< the service's stderr: one line per request
  /// An installed program folder (environment variables expanded) whose program
  /// runs where it is, instead of a copy of `program` in a fresh folder.
  std::string program_folder;
  std::string installer;
};
DriverOptions the_options;
const DriverOptions& driver_options() { return the_options; }

bool read_options(int argc, char** argv) {
  the_options = {"",
                 runner_value("LUMARI_OUT"),
                 runner_value("LUMARI_SERVICE_URL"),
                 runner_value("LUMARI_SENT_LOG"),
                 runner_value("LUMARI_REQUEST_LOG"),
                 "",
                 ""};
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    for (auto [name, value] : {std::pair{"--program=", &the_options.program},
                               {"--program-folder=", &the_options.program_folder},
                               {"--installer=", &the_options.installer}}) {
      if (argument.starts_with(name)) *value = windows_path(argument.substr(std::strlen(name)));
    }
  }
  return !the_options.program.empty() && !the_options.work.empty() &&
         !the_options.service_url.empty();
}

struct Scenario {
  std::string name;
  std::vector<CaseRow> steps;
};

void PrintTo(const Scenario& scenario, std::ostream* os) { *os << scenario.name; }

std::vector<Scenario> scenarios() {
  std::vector<Scenario> all;
  for (CaseRow& row : case_rows(kCases_scenarios)) {
    if (row[0] == "scenario") {
      all.push_back({row.at(1), {}});
    } else {
      all.back().steps.push_back(std::move(row));
    }
  }
  return all;
}

struct WindowKind {
  const char* name;
  const char* class_name;
  const char* caption;
};
constexpr WindowKind kWindows[] = {{"login", kLoginWindowClass, kLoginCaption},
                                   {"selection", kSelectionWindowClass, kSelectionCaption},
                                   {"settings", kSettingsWindowClass, kSettingsCaption}};
const std::map<std::string, int> kControls = {
    {"txtUser", kIdTxtUser},    {"txtPass", kIdTxtPass},         {"chkLogin", kIdChkLogin},
    {"login", kIdCmdLogin},     {"cmbSystem", kIdCmbSystem},     {"chkSys", kIdChkSys},
    {"proceed", kIdCmdProcced}, {"mt4location", kIdMt4Location}, {"save", kIdCmdSave}};
const std::map<std::string, BoxIcon> kIcons = {{"information", BoxIcon::Information},
                                               {"critical", BoxIcon::Critical}};

/// A window of another program that the user works in, shown and brought to the
/// foreground on a thread that serves its messages.
class OtherProgramWindow {
 public:
  OtherProgramWindow() : thread_([this] { run(); }) {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [this] { return started_; });
  }
  ~OtherProgramWindow() {
    PostThreadMessageA(thread_id_, WM_QUIT, 0, 0);
    thread_.join();
  }
  OtherProgramWindow(const OtherProgramWindow&) = delete;
  OtherProgramWindow& operator=(const OtherProgramWindow&) = delete;
  [[nodiscard]] HWND hwnd() const { return window_; }

 private:
  void run() {
    HWND window = CreateWindowExA(0, "STATIC", "Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  40, 40, 320, 160, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(window);
    {
      const std::lock_guard lock(mutex_);
      window_ = window;
      thread_id_ = GetCurrentThreadId();
      started_ = true;
    }
    ready_.notify_one();
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    DestroyWindow(window);
  }
  std::mutex mutex_;
  std::condition_variable ready_;
  bool started_ = false;
  HWND window_ = nullptr;
  DWORD thread_id_ = 0;
  std::thread thread_;
};

std::string file_bytes(const std::string& path) {
  auto bytes = core::read_file(path);
  return bytes ? *bytes : std::string();
}

/// The body of a GET of the URL, as from another computer; empty when none came.
std::string service_get(const std::string& url) {
  const auto body = win32::make_winhttp_web_client()->get(url);
  return body ? *body : std::string();
}

std::string shortcut(int folder_id) {
  char folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, folder_id, nullptr, SHGFP_TYPE_CURRENT, folder))) return {};
  return core::join_path(folder, "Lumari Terminal.lnk");
}

bool uninstall_entry_exists() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

std::string entry_text(const std::string& name) {
  char value[1024] = {};
  DWORD size = sizeof value;
  return RegGetValueA(HKEY_CURRENT_USER, kUninstallKey, name.c_str(), RRF_RT_REG_SZ, nullptr, value,
                      &size) == ERROR_SUCCESS
             ? value
             : "(missing)";
}

// The file version of the program's version record, as "major.minor.patch".
std::string file_version(const std::string& file) {
  const DWORD size = GetFileVersionInfoSizeA(file.c_str(), nullptr);
  std::string record(size, '\0');
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (size == 0 || !GetFileVersionInfoA(file.c_str(), 0, size, record.data()) ||
      !VerQueryValueA(record.data(), "\\", reinterpret_cast<void**>(&fixed), &length)) {
    return "(none)";
  }
  return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
         std::to_string(HIWORD(fixed->dwFileVersionLS));
}

class E2e : public ::testing::TestWithParam<Scenario> {
 protected:
  void SetUp() override {
    const DriverOptions& options = driver_options();
    const std::string root = core::join_path(options.work, GetParam().name);
    program_dir_ = options.program_folder.empty() ? core::join_path(root, "program")
                                                  : expand_environment(options.program_folder);
    program_file_ = core::join_path(program_dir_, "LumariTerminal.exe");
    mt4_dir_ = core::join_path(root, "mt4") + "\\";
    folders_ = {{"data", core::join_path(program_dir_, "data")},
                {"exchange", mt4_dir_ + "experts\\files"},
                {"program", program_dir_}};
    std::error_code error;
    fs::remove_all(root, error);
    fs::create_directories(folders_["exchange"], error);
    if (options.program_folder.empty()) {
      fs::create_directories(program_dir_, error);
      fs::copy_file(options.program, program_file_, error);
    }
    ASSERT_FALSE(error) << "cannot set up " << root << ": " << error.message();
    ASSERT_TRUE(SetEnvironmentVariableA("LUMARI_SERVICE_URL", options.service_url.c_str()));
  }

  void TearDown() override {
    if (!terminal_data_dir_.empty()) {
      std::error_code error;
      fs::remove_all(terminal_data_dir_, error);
    }
    if (program_ && program_->running()) {
      if (HasFailure()) std::cout << describe_top_windows(pid()) << std::flush;
      program_->kill();
    }
  }

  /// Runs one step; a fatal failure ends the scenario.
  void run(const CaseRow& s);

  [[nodiscard]] DWORD pid() const { return program_ ? program_->id() : 0; }
  [[nodiscard]] static std::string expand_environment(const std::string& text) {
    char expanded[MAX_PATH * 4] = {};
    return ExpandEnvironmentStringsA(text.c_str(), expanded, sizeof expanded) != 0 ? expanded
                                                                                   : text;
  }
  /// The step's field with {mt4}, {program}, {installer} and {version} filled in.
  [[nodiscard]] std::string arg(const CaseRow& s, std::size_t i) const {
    return with_values(i < s.size() ? s[i] : "", {{"{mt4}", mt4_dir_},
                                                  {"{program}", program_dir_},
                                                  {"{installer}", driver_options().installer},
                                                  {"{version}", LUMARI_PACKAGE_VERSION}});
  }
  [[nodiscard]] std::string file(const CaseRow& s) const {
    return core::join_path(folders_.at(s.at(1)), arg(s, 2));
  }
  [[nodiscard]] const WindowKind& kind(const std::string& name) const {
    for (const WindowKind& kind : kWindows) {
      if (name == kind.name) return kind;
    }
    throw std::invalid_argument("no window " + name);
  }
  /// The window, found once it is visible; null (and a failure) when it does not come.
  HWND window(const std::string& name) {
    HWND& found = windows_[name];
    if (found == nullptr || !IsWindowVisible(found)) {
      found = wait_for_top_window(pid(), kind(name).class_name, kind(name).caption, kWindowWait);
    }
    if (found == nullptr) ADD_FAILURE() << "no visible " << name << " window";
    return found;
  }
  /// The request log's lines of one request path.
  [[nodiscard]] static std::vector<std::string> requests(std::string_view path) {
    return request_lines(file_bytes(driver_options().request_log), path);
  }
  /// The program's order requests: those of "another computer" left out.
  [[nodiscard]] static std::vector<std::string> polls() {
    auto lines = requests("/GetTD.do");
    std::erase_if(lines, [](const std::string& line) {
      return line.find(std::string("&loginid=") + kOtherComputer) != std::string::npos;
    });
    return lines;
  }
  [[nodiscard]] bool wait_for_polls(std::size_t count, Millis limit) const {
    return wait_until([&] { return polls().size() >= count; }, limit);
  }
  void start_program() {
    std::string error;
    // Started from the folder above the program's: the program must find its data
    // folder from its own file's place, not from the current folder.
    program_ = ProgramProcess::start(program_file_, core::join_path(program_dir_, ".."), error);
    ASSERT_TRUE(program_) << error;
    main_window_ =
        wait_for([&] { return find_any_top_window(pid(), kMainWindowClass); }, kWindowWait);
    ASSERT_NE(main_window_, nullptr) << "no main window";
    EXPECT_TRUE(
        wait_until([&] { return tray_icon_present(main_window_, kTrayIconId); }, kWindowWait))
        << "no tray icon with id 1 on the main window";
  }
  void use_terminal_data_folder();

  std::string program_dir_, program_file_, mt4_dir_, terminal_data_dir_;
  std::map<std::string, std::string> folders_;
  std::map<std::string, HWND> windows_;
  std::map<std::string, std::string> kept_;
  std::unique_ptr<ProgramProcess> program_;
  std::unique_ptr<OtherProgramWindow> other_;
  HWND main_window_ = nullptr;
  HWND balloon_ = nullptr;
  std::size_t counted_lines_ = 0;
};

void E2e::use_terminal_data_folder() {
  char app_data[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, app_data)));
  terminal_data_dir_ =
      std::string(app_data) + "\\MetaQuotes\\Terminal\\E2E" + std::to_string(GetCurrentProcessId());
  std::error_code error;
  fs::remove_all(mt4_dir_ + "experts", error);
  folders_["exchange"] = terminal_data_dir_ + "\\MQL4\\Files";
  fs::create_directories(folders_["exchange"], error);
  ASSERT_FALSE(error) << "cannot create " << folders_["exchange"];
  // As terminals write it: UTF-16 LE with its byte-order mark, no trailing separator.
  std::string origin = "\xFF\xFE";
  for (const char c : mt4_dir_.substr(0, mt4_dir_.size() - 1)) origin += {c, '\0'};
  ASSERT_TRUE(core::replace_file(terminal_data_dir_ + "\\origin.txt", origin));
}

void E2e::run(const CaseRow& s) {
  const std::string& verb = s[0];
  const auto control = [&] { return kControls.at(s.at(2)); };
  if (verb == "data") {
    fs::create_directories(folders_["data"]);
    if (s.at(1) == "installed") {
      ASSERT_TRUE(
          core::replace_file(core::join_path(folders_["data"], "settings.dat"), mt4_dir_ + "\r\n"));
      ASSERT_TRUE(core::replace_file(core::join_path(folders_["data"], "install.dat"), "\r\n"));
    }
  } else if (verb == "terminal-data-folder") {
    use_terminal_data_folder();
  } else if (verb == "start") {
    start_program();
  } else if (verb == "quiet-start") {
    EXPECT_TRUE(program_->wait_until_idle(kWindowWait)) << "the start-up did not end";
    for (const WindowKind& kind : kWindows) {
      EXPECT_EQ(find_top_window(pid(), kind.class_name), nullptr) << kind.name << " at the start";
    }
    EXPECT_EQ(find_message_box(pid(), kAppTitle), nullptr) << "a message at the start";
  } else if (verb == "box" || verb == "box-opens") {
    const Millis limit =
        s.size() > 1 && verb == "box-opens" ? Millis{std::stoi(s[1])} : kWindowWait;
    const auto box = wait_for_message_box(pid(), kAppTitle, limit);
    ASSERT_TRUE(box.has_value()) << "no message box within " << limit.count() << " ms";
    if (verb == "box-opens") return;
    EXPECT_EQ(box->text, s.at(1));
    EXPECT_EQ(box->icon, kIcons.at(s.at(2))) << box->text;
    EXPECT_EQ(box->buttons, 1) << "a message box with OK only";
    ASSERT_NE(box->ok, nullptr) << "no OK button";
    press_ok(*box);
    ASSERT_TRUE(wait_until_gone(box->window, kWindowWait)) << "the box did not close on OK";
  } else if (verb == "no-box") {
    EXPECT_EQ(find_message_box(pid(), kAppTitle), nullptr) << "a message box is open";
  } else if (verb == "window") {
    ASSERT_NE(window(s.at(1)), nullptr);
  } else if (verb == "no-window") {
    EXPECT_EQ(find_top_window(pid(), kind(s.at(1)).class_name), nullptr) << s[1] << " is open";
  } else if (verb == "count") {
    EXPECT_EQ(count_visible_windows(pid(), kind(s.at(1)).class_name), std::stoi(s.at(2))) << s[1];
  } else if (verb == "gone") {
    ASSERT_NE(windows_[s.at(1)], nullptr) << s[1] << " was never seen";
    EXPECT_TRUE(wait_until_gone(windows_[s[1]], kWindowWait)) << s[1] << " stayed open";
  } else if (verb == "shown") {
    EXPECT_TRUE(IsWindowVisible(window(s.at(1)))) << s[1] << " is not shown";
  } else if (verb == "enabled") {
    EXPECT_EQ(IsWindowEnabled(window(s.at(1))) != FALSE, s.at(2) == "1") << s[1];
  } else if (verb == "text") {
    EXPECT_EQ(control_text(window(s.at(1)), control()), arg(s, 3)) << s[1] << " " << s[2];
  } else if (verb == "type") {
    ASSERT_TRUE(set_control_text(window(s.at(1)), control(), arg(s, 3))) << s[2];
  } else if (verb == "click") {
    ASSERT_TRUE(post_click(window(s.at(1)), control())) << s[2];
  } else if (verb == "tick") {
    ASSERT_TRUE(send_click(window(s.at(1)), control())) << s[2];
  } else if (verb == "checked") {
    EXPECT_EQ(is_checked(window(s.at(1)), control()), s.at(3) == "1") << s[2];
  } else if (verb == "entries") {
    EXPECT_EQ(combo_entry_count(window(s.at(1)), control()), std::stoi(s.at(3))) << s[2];
  } else if (verb == "choose") {
    ASSERT_TRUE(choose_combo_entry(window(s.at(1)), control(), s.at(3))) << "no entry " << s[3];
    EXPECT_EQ(control_text(window(s[1]), control()), s[3]);
  } else if (verb == "alt-enter") {
    constexpr LPARAM kAltDown = LPARAM{1} << 29;
    const LPARAM key = kAltDown | (LPARAM{MapVirtualKeyA(VK_RETURN, MAPVK_VK_TO_VSC)} << 16) | 1;
    ASSERT_TRUE(
        PostMessageA(GetDlgItem(window(s.at(1)), control()), WM_SYSKEYDOWN, VK_RETURN, key));
  } else if (verb == "tray") {
    HWND menu = open_tray_menu(pid(), main_window_, kWindowWait);
    ASSERT_NE(menu, nullptr) << "no pop-up menu after the tray icon's right-button press";
    ASSERT_TRUE(choose_menu_item(menu, s.at(1).front(), kWindowWait)) << "menu item " << s[1];
  } else if (verb == "log-in") {
    for (const char* step :
         {"tray\tL", "window\tlogin", "type\tlogin\ttxtUser\tdemo@example.com",
          "type\tlogin\ttxtPass\tdemo", "click\tlogin\tlogin", "gone\tlogin", "no-box"}) {
      ASSERT_NO_FATAL_FAILURE(run(case_rows(step).front()));
    }
  } else if (verb == "polls") {
    EXPECT_TRUE(wait_for_polls(std::stoul(s.at(1)), kPollsWait)) << "fewer polls than " << s[1];
  } else if (verb == "no-polls") {
    EXPECT_TRUE(polls().empty()) << "the program polled";
  } else if (verb == "polling-stops" || verb == "no-polls-for") {
    // Real time has to pass: no tick may come for longer than the polling interval.
    Sleep(500);  // a request answered just now reaches the service's log a moment later
    const std::size_t before = polls().size();
    Sleep(verb == "no-polls-for" ? static_cast<DWORD>(std::stoul(s.at(1)))
                                 : static_cast<DWORD>((kPollInterval + Millis{2'000}).count()));
    EXPECT_EQ(polls().size(), before) << "the program polled on";
  } else if (verb == "polled-as") {
    for (const std::string& request : polls()) {
      EXPECT_NE(request.find("systemid=" + s.at(1) + "&userid=" + s.at(2) + "&"), std::string::npos)
          << request;
    }
  } else if (verb == "last-outcome") {
    ASSERT_FALSE(polls().empty());
    EXPECT_TRUE(polls().back().ends_with(" -> " + s.at(1))) << polls().back();
  } else if (verb == "requests") {
    const auto sent = requests(s.at(1));
    ASSERT_EQ(sent.size(), std::stoul(s.at(2))) << s[1];
    for (const std::string& request : sent) {
      const std::string& wanted = s.at(3);
      const std::size_t bar = wanted.find('|');
      EXPECT_TRUE(
          request.find(wanted.substr(0, bar)) != std::string::npos ||
          (bar != std::string::npos && request.find(wanted.substr(bar + 1)) != std::string::npos))
          << request << " lacks " << wanted;
    }
  } else if (verb == "service") {
    const std::string body = service_get(driver_options().service_url + s.at(1));
    const bool negated = s.at(2).front() == '!';
    ASSERT_EQ(body.starts_with(s[2].substr(negated ? 1 : 0)), !negated)
        << s[1] << " answered " << body;
  } else if (verb == "other-program") {
    other_ = std::make_unique<OtherProgramWindow>();
    ASSERT_TRUE(wait_until([&] { return GetForegroundWindow() == other_->hwnd(); }, kWindowWait))
        << "another program could not be made the active one";
  } else if (verb == "other-program-enabled") {
    EXPECT_TRUE(IsWindowEnabled(other_->hwnd())) << "the box holds another program's window";
  } else if (verb == "no-balloon") {
    EXPECT_EQ(shown_balloon(), nullptr) << "a balloon before any problem";
  } else if (verb == "balloon") {
    const std::size_t before = polls().size();
    const HWND earlier = balloon_;
    balloon_ = wait_for(
        [&] {
          const HWND shown = shown_balloon();
          return shown != earlier ? shown : nullptr;
        },
        Millis{std::stoi(s.at(1))});
    ASSERT_NE(balloon_, nullptr) << "no new balloon";
    EXPECT_GE(polls().size(), before + std::stoul(s.at(2))) << "the balloon came too early";
  } else if (verb == "tray-icon") {
    EXPECT_EQ(tray_icon_present(main_window_, kTrayIconId), s.at(1) == "1");
  } else if (verb == "exits") {
    const auto code = program_->wait_for_exit(kWindowWait);
    ASSERT_TRUE(code.has_value()) << "the program did not end";
    EXPECT_EQ(*code, std::stoul(s.at(1)));
  } else if (verb == "run-log") {
    const std::string run_log = file_bytes(core::join_path(folders_["data"], "lumari.dat"));
    static const std::regex one_line(
        R"((\S[^\r\n]*) start time = (\S[^\r\n]*) end time = (\S[^\r\n]*) Counter Lumarilog =  ([0-9]+)\r\n)");
    std::smatch parts;
    ASSERT_TRUE(std::regex_match(run_log, parts, one_line)) << "run log: " << run_log;
    const auto lines =
        core::split_lines(file_bytes(core::join_path(folders_["exchange"], "Lumari.log")));
    EXPECT_EQ(parts[4].str(), std::to_string(lines.size())) << "order-log lines of the run";
  } else if (verb == "file") {
    EXPECT_EQ(file_bytes(file(s)), arg(s, 3)) << s[2];
  } else if (verb == "not-file") {
    EXPECT_NE(file_bytes(file(s)), arg(s, 3)) << s[2];
  } else if (verb == "no-file") {
    EXPECT_FALSE(core::file_exists(file(s))) << s[2];
  } else if (verb == "path" || verb == "no-path") {
    EXPECT_EQ(core::file_exists(arg(s, 1)) || fs::exists(arg(s, 1)), verb == "path") << arg(s, 1);
  } else if (verb == "only-files") {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folders_.at(s.at(1)))) {
      names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>(s.begin() + 2, s.end()));
  } else if (verb == "keep") {
    kept_[file(s)] = file_bytes(file(s));
    ASSERT_FALSE(kept_[file(s)].empty()) << s[2] << " was never written";
  } else if (verb == "kept") {
    EXPECT_EQ(file_bytes(file(s)), kept_.at(file(s))) << s[2];
  } else if (verb == "count-lines") {
    counted_lines_ = core::split_lines(file_bytes(file(s))).size();
  } else if (verb == "lines-added") {
    EXPECT_EQ(core::split_lines(file_bytes(file(s))).size(), counted_lines_ + std::stoul(s.at(3)));
  } else if (verb == "lines-appear") {
    EXPECT_TRUE(
        wait_until([&] { return !core::split_lines(file_bytes(file(s))).empty(); }, kPollsWait))
        << "no line reached " << s[2];
  } else if (verb == "all-lines-contain") {
    for (const auto& line : core::split_lines(file_bytes(file(s)))) {
      EXPECT_NE(line.find(s.at(3)), std::string::npos) << line;
    }
  } else if (verb == "orders-as-sent") {
    // With polling stopped, the exchange files hold exactly what was sent.
    const OrderLines sent = core::split_lines(file_bytes(driver_options().sent_log));
    ASSERT_FALSE(sent.empty()) << "the service sent no order line";
    const std::string log = file_bytes(core::join_path(folders_["exchange"], "Lumari.log"));
    const std::string current =
        file_bytes(core::join_path(folders_["exchange"], "ServerOrder.log"));
    EXPECT_EQ(core::split_lines(log), distinct_versions(sent)) << "every version once, in order";
    EXPECT_EQ(sorted(core::split_lines(current)), latest_versions(sent));
    EXPECT_TRUE(log.ends_with("\r\n") && current.ends_with("\r\n"));
  } else if (verb == "run") {
    std::string error;
    const auto process = ProgramProcess::start(
        arg(s, 1), fs::path(arg(s, 1)).parent_path().string(), error, arg(s, 2));
    ASSERT_TRUE(process) << error;
    EXPECT_EQ(process->wait_for_exit(kSetupWait), std::stoul(s.at(3))) << arg(s, 1);
  } else if (verb == "same-as-built") {
    const std::string built = file_bytes(driver_options().program);
    EXPECT_TRUE(!built.empty() && file_bytes(arg(s, 1)) == built) << "not the program built";
  } else if (verb == "make-older") {
    ASSERT_TRUE(core::replace_file(arg(s, 1), file_bytes(arg(s, 1)) + "older"));
  } else if (verb == "shortcuts") {
    EXPECT_EQ(core::file_exists(shortcut(CSIDL_PROGRAMS)), s.at(1) == "1");
    EXPECT_EQ(core::file_exists(shortcut(CSIDL_STARTUP)), s.at(1) == "1");
  } else if (verb == "entry") {
    EXPECT_EQ(entry_text(s.at(1)), arg(s, 2)) << s[1];
  } else if (verb == "entry-size") {
    DWORD kib = 0;
    DWORD size = sizeof kib;
    (void)RegGetValueA(HKEY_CURRENT_USER, kUninstallKey, "EstimatedSize", RRF_RT_REG_DWORD, nullptr,
                       &kib, &size);
    EXPECT_GE(kib, file_bytes(program_file_).size() / 1024) << "EstimatedSize in KiB";
  } else if (verb == "version") {
    EXPECT_EQ(file_version(arg(s, 1)), arg(s, 2));
  } else if (verb == "removed") {
    const std::string uninstaller = core::join_path(program_dir_, "uninstall.exe");
    (void)wait_until(
        [&] {
          return !core::file_exists(program_file_) && !core::file_exists(uninstaller) &&
                 !core::file_exists(shortcut(CSIDL_PROGRAMS)) &&
                 !core::file_exists(shortcut(CSIDL_STARTUP)) && !uninstall_entry_exists();
        },
        kSetupWait);
    EXPECT_FALSE(core::file_exists(program_file_));
    EXPECT_FALSE(core::file_exists(uninstaller));
    EXPECT_FALSE(core::file_exists(shortcut(CSIDL_PROGRAMS)));
    EXPECT_FALSE(core::file_exists(shortcut(CSIDL_STARTUP)));
    EXPECT_FALSE(uninstall_entry_exists());
  } else {
    FAIL() << "no step " << verb;
  }
}

TEST_P(E2e, Runs) {
  for (const CaseRow& step : GetParam().steps) {
    std::string shown;
    for (const std::string& field : step) shown += field + " ";
    SCOPED_TRACE(shown);
    run(step);
    if (HasFatalFailure()) {
      std::cout << describe_top_windows(pid()) << std::flush;
      return;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Scenario, E2e, ::testing::ValuesIn(scenarios()),
                         [](const auto& param) { return param.param.name; });

}  // namespace
}  // namespace lumari::test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!lumari::test::read_options(argc, argv)) {
    std::cerr << "usage: e2e_driver [gtest options] --program=EXE [--program-folder=DIR] "
                 "[--installer=EXE], run by tests/support/wine_run.sh\n";
    return 64;
  }
  return RUN_ALL_TESTS();
}
