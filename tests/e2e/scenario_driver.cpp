// e2e_driver: works LumariTerminal.exe through window messages like a user. Each
// scenario of cases/scenarios.txt is one test, a list of steps run in order; the
// runner picks one with --gtest_filter=Scenario/E2e.Runs/<name>.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <iostream>
#include <map>
#include <regex>
#include <thread>

#include "cases/scenarios.h"
#include "support/case_file.h"
#include "reference_model.h"
#include "support/runner_environment.h"
#include "text/file_io.h"
#include "text/line_file.h"
#include "text/path_text.h"
#include "win32/control_ids.h"
#include "win32/winhttp_web_client.h"
#include "win_user.h"

namespace lumari::test {
namespace {

namespace fs = std::filesystem;
using namespace win32;

constexpr Millis kWindowWait{15'000};
/// The program polls every six seconds; nothing shortens it, so a few polls take long.
constexpr Millis kPollsWait{30'000};
constexpr Millis kSetupWait{60'000};
constexpr const char* kShortcut = "Lumari Terminal.lnk";
constexpr const char* kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" LUMARI_PACKAGE_REGISTRY_KEY;

/// --program=EXE: LumariTerminal.exe as built; --program-folder=DIR: an installed
/// program folder (environment variables expanded) whose program runs where it is,
/// instead of a copy in a fresh folder; --installer=EXE. The runner's environment
/// says where the demo service, its logs and a folder of the driver's own are.
std::map<std::string, std::string> options;

bool read_options(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const std::size_t equals = argument.find('=');
    if (argument.starts_with("--") && equals != std::string::npos) {
      options[argument.substr(2, equals - 2)] = windows_path(argument.substr(equals + 1));
    }
  }
  return !options["program"].empty() && !runner_value("LUMARI_OUT").empty() &&
         !runner_value("LUMARI_SERVICE_URL").empty();
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

/// Windows by the name the scenarios give them: class and caption.
const std::map<std::string, std::pair<const char*, const char*>> kWindows = {
    {"login", {kLoginWindowClass, kLoginCaption}},
    {"selection", {kSelectionWindowClass, kSelectionCaption}},
    {"settings", {kSettingsWindowClass, kSettingsCaption}},
    {"box", {"#32770", kAppTitle}},
    {"dialog", {"#32770", "Open"}}};  // the file dialog
const std::map<std::string, int> kControls = {
    {"txtUser", kIdTxtUser},    {"txtPass", kIdTxtPass},         {"chkLogin", kIdChkLogin},
    {"login", kIdCmdLogin},     {"cmbSystem", kIdCmbSystem},     {"chkSys", kIdChkSys},
    {"proceed", kIdCmdProcced}, {"mt4location", kIdMt4Location}, {"save", kIdCmdSave},
    {"browse", kIdCmdBrowse},   {"lookInCombo", cmb2},           {"fileTypeCombo", cmb1},
    {"fileNameCombo", cmb13}};
const std::map<std::string, BYTE> kKeys = {
    {"tab", VK_TAB}, {"return", VK_RETURN}, {"escape", VK_ESCAPE}, {"down", VK_DOWN}};

/// A window of another program that the user works in, made the active one, on a
/// thread that serves its messages.
struct OtherProgram {
  std::promise<HWND> shown;
  std::thread thread{[this] {
    HWND window = CreateWindowExA(0, "STATIC", "Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                  40, 40, 320, 160, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(window);
    shown.set_value(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    DestroyWindow(window);
  }};
  HWND hwnd = shown.get_future().get();
  ~OtherProgram() {
    PostThreadMessageA(GetWindowThreadProcessId(hwnd, nullptr), WM_QUIT, 0, 0);
    thread.join();
  }
};

/// A file's bytes; `missing` when there is no file.
std::string contents(const std::string& path, const char* missing = "") {
  if (!core::file_exists(path)) return missing;
  auto bytes = core::read_file(path);
  return bytes ? *bytes : std::string();
}

bool gone(HWND window, Millis limit = kWindowWait) {
  return wait_for([&] { return !IsWindow(window) || !IsWindowVisible(window); }, limit);
}

std::string shell_folder(int id) {
  char path[MAX_PATH] = {};
  return SUCCEEDED(SHGetFolderPathA(nullptr, id, nullptr, 0, path)) ? path : "";
}

/// A value of the program's uninstall entry as text; "(missing)" when there is none.
std::string entry(const std::string& name) {
  char value[1024] = {};
  DWORD type = 0;
  DWORD size = sizeof value;
  if (RegGetValueA(HKEY_CURRENT_USER, kUninstallKey, name.c_str(), RRF_RT_REG_SZ | RRF_RT_REG_DWORD,
                   &type, value, &size) != ERROR_SUCCESS) {
    return "(missing)";
  }
  return type == REG_DWORD ? std::to_string(*reinterpret_cast<const DWORD*>(value)) : value;
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

/// The request log's lines of one request path, those of "another computer" left out.
std::vector<std::string> requests(std::string_view path) {
  auto lines = request_lines(contents(runner_value("LUMARI_REQUEST_LOG")), path);
  std::erase_if(lines, [](const std::string& line) {
    return line.find("&loginid=OTHER-COMPUTER") != std::string::npos;
  });
  return lines;
}

/// The program's order requests.
std::vector<std::string> polls() { return requests("/GetTD.do"); }

class E2e : public ::testing::TestWithParam<Scenario> {
 protected:
  void SetUp() override {
    const std::string root = core::join_path(runner_value("LUMARI_OUT"), GetParam().name);
    const std::string& installed = options["program-folder"];
    char expanded[MAX_PATH * 4] = {};
    ExpandEnvironmentStringsA(installed.c_str(), expanded, sizeof expanded);
    program_dir_ = installed.empty() ? core::join_path(root, "program") : expanded;
    program_file_ = core::join_path(program_dir_, "LumariTerminal.exe");
    mt4_dir_ = core::join_path(root, "mt4") + "\\";
    folders_ = {{"data", core::join_path(program_dir_, "data")},
                {"exchange", mt4_dir_ + "experts\\files"},
                {"program", program_dir_},
                {"mt4", mt4_dir_},
                {"programs", shell_folder(CSIDL_PROGRAMS)},
                {"startup", shell_folder(CSIDL_STARTUP)}};
    std::error_code error;
    fs::remove_all(root, error);
    fs::create_directories(folders_["exchange"], error);
    if (installed.empty()) {
      fs::create_directories(folders_["data"], error);
      fs::copy_file(options["program"], program_file_, error);
    }
    ASSERT_FALSE(error) << "cannot set up " << root << ": " << error.message();
  }

  void TearDown() override {
    if (HasFailure()) save_screenshot(nullptr, runner_value("LUMARI_OUT") + "\\failure.bmp");
    std::error_code error;
    if (!terminal_data_dir_.empty()) fs::remove_all(terminal_data_dir_, error);
    if (program_ && WaitForSingleObject(program_->handle.get(), 0) == WAIT_TIMEOUT) {
      if (HasFailure()) std::cout << describe_top_windows(pid()) << std::flush;
      TerminateProcess(program_->handle.get(), 1);
      WaitForSingleObject(program_->handle.get(), 10'000);
    }
  }

  /// Runs one step; a fatal failure ends the scenario.
  void run(const CaseRow& s);

  [[nodiscard]] DWORD pid() const { return program_ ? program_->id : 0; }
  /// The step's field with {mt4}, {program}, {installer} and {version} filled in.
  [[nodiscard]] std::string arg(const CaseRow& s, std::size_t i) const {
    return with_values(i < s.size() ? s[i] : "", {{"{mt4}", mt4_dir_},
                                                  {"{program}", program_dir_},
                                                  {"{installer}", options["installer"]},
                                                  {"{version}", LUMARI_PACKAGE_VERSION}});
  }
  /// The visible window of the kind (or "other": the other program's), waited
  /// for; null (and a failure) when it does not come.
  HWND window(const std::string& name, Millis limit = kWindowWait) {
    if (name == "other") return other_ ? other_->hwnd : nullptr;
    HWND& found = windows_[name];
    if (found == nullptr || !IsWindowVisible(found)) {
      const auto [class_name, caption] = kWindows.at(name);
      found = wait_for([&] { return find_window(pid(), class_name, caption); }, limit);
    }
    if (found == nullptr)
      ADD_FAILURE() << "no visible " << name << " within " << limit.count() << " ms";
    return found;
  }

  std::string program_dir_, program_file_, mt4_dir_, terminal_data_dir_;
  std::map<std::string, std::string> folders_;
  std::map<std::string, HWND> windows_;
  std::map<std::string, std::string> kept_;
  std::optional<Process> program_;
  std::unique_ptr<OtherProgram> other_;
  HWND main_window_ = nullptr;
  HWND balloon_ = nullptr;
};

void E2e::run(const CaseRow& s) {
  const std::string& verb = s[0];
  // <verb> <window> <control> [value]: the control of a window.
  const auto item = [&] { return GetDlgItem(window(s.at(1)), kControls.at(s.at(2))); };
  // Verbs of files and entries take one or more <name> [<value>] groups from field `first` on.
  const auto each = [&](std::size_t first, std::size_t group, const auto& check) {
    for (std::size_t i = first; i + group <= s.size(); i += group) check(arg(s, i), arg(s, i + 1));
  };
  const auto in_folder = [&](const std::string& name) {
    return core::join_path(folders_.at(s.at(1)), name);
  };
  const auto lines = [&] { return core::split_lines(contents(in_folder(arg(s, 2)))); };
  if (verb == "write" || verb == "append") {
    const auto put = verb == "write" ? &core::replace_file : &core::append_file;
    each(2, 2, [&](const auto& name, const auto& bytes) {
      EXPECT_TRUE(put(in_folder(name), bytes)) << name;
    });
  } else if (verb == "log-in") {
    // log-in <e-mail> <password>: from the tray menu with the Login button, no box after.
    const std::string steps = "tray\tL\ntype\tlogin\ttxtUser\t" + s.at(1) +
                              "\ntype\tlogin\ttxtPass\t" + s.at(2) +
                              "\nclick\tlogin\tlogin\ngone\tlogin\ncount\tbox\t0";
    for (const CaseRow& step : case_rows(steps)) {
      if (run(step); HasFatalFailure()) return;
    }
  } else if (verb == "terminal-data-folder") {
    terminal_data_dir_ = shell_folder(CSIDL_APPDATA) + "\\MetaQuotes\\Terminal\\E2E" +
                         std::to_string(GetCurrentProcessId());
    std::error_code error;
    fs::remove_all(mt4_dir_ + "experts", error);
    folders_["exchange"] = terminal_data_dir_ + "\\MQL4\\Files";
    fs::create_directories(folders_["exchange"], error);
    ASSERT_FALSE(error) << "cannot create " << folders_["exchange"];
    // As terminals write it: UTF-16 LE with its byte-order mark, no trailing separator.
    std::string origin = "\xFF\xFE";
    for (const char c : mt4_dir_.substr(0, mt4_dir_.size() - 1)) origin += {c, '\0'};
    ASSERT_TRUE(core::replace_file(terminal_data_dir_ + "\\origin.txt", origin));
  } else if (verb == "start") {
    std::string error;
    // Started from the folder above the program's: the program must find its data
    // folder from its own file's place, not from the current folder.
    program_ = start_process(program_file_, core::join_path(program_dir_, ".."), "", error);
    ASSERT_TRUE(program_) << error;
    main_window_ =
        wait_for([&] { return find_window(pid(), kMainWindowClass, nullptr, true); }, kWindowWait);
    ASSERT_NE(main_window_, nullptr) << "no main window";
    EXPECT_TRUE(wait_for([&] { return tray_icon_present(main_window_, kTrayIconId); }, kWindowWait))
        << "no tray icon with id 1 on the main window";
    // start quiet: the start-up ends with no window open.
    if (s.size() < 2) return;
    EXPECT_EQ(WaitForInputIdle(program_->handle.get(), static_cast<DWORD>(kWindowWait.count())), 0u)
        << "the start-up did not end";
    for (const auto& [name, kind] : kWindows) {
      EXPECT_EQ(find_window(pid(), kind.first), nullptr) << name << " at the start";
    }
  } else if (verb == "box" || verb == "box-opens") {
    // box-opens [ms]: only that a box opens; box <text> <icon>: it, read and closed with OK.
    const bool read = verb == "box";
    HWND box = window("box", s.size() > 1 && !read ? Millis{std::stoi(s[1])} : kWindowWait);
    ASSERT_NE(box, nullptr);
    if (!read) return;
    const BoxView view = read_box(box);
    EXPECT_EQ(view.text, s.at(1));
    EXPECT_EQ(view.icon, s.at(2)) << view.text;
    EXPECT_EQ(view.buttons, 1) << "a message box with OK only";
    ASSERT_NE(view.ok, nullptr) << "no OK button";
    PostMessageA(view.ok, BM_CLICK, 0, 0);
    ASSERT_TRUE(gone(box)) << "the box did not close on OK";
  } else if (verb == "window") {
    ASSERT_NE(window(s.at(1)), nullptr);
  } else if (verb == "count") {
    EXPECT_EQ(top_windows(pid(), kWindows.at(s.at(1)).first).size(), std::stoul(s.at(2))) << s[1];
  } else if (verb == "gone") {
    ASSERT_NE(windows_[s.at(1)], nullptr) << s[1] << " was never seen";
    EXPECT_TRUE(gone(windows_[s[1]])) << s[1] << " stayed open";
  } else if (verb == "enabled") {
    EXPECT_EQ(IsWindowEnabled(window(s.at(1))) != FALSE, s.at(2) == "1") << s[1];
  } else if (verb == "text") {
    // Waited for a while: what a key does comes a moment after it.
    const auto shows = [&] { return window_text(item()) == arg(s, 3); };
    EXPECT_TRUE(wait_for(shows, kWindowWait)) << s[2] << " shows " << window_text(item());
  } else if (verb == "type") {
    ASSERT_EQ(send(item(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(arg(s, 3).c_str())), TRUE)
        << s[2];
  } else if (verb == "click") {
    // Posted: the handler may open a modal box, which must not hold the driver.
    HWND button = item();
    ASSERT_TRUE(button != nullptr && PostMessageA(button, BM_CLICK, 0, 0)) << s[2];
  } else if (verb == "tick") {
    EXPECT_TRUE(send(item(), BM_CLICK) && send(item(), BM_GETCHECK) == BST_CHECKED) << s[2];
  } else if (verb == "checked") {
    EXPECT_EQ(send(item(), BM_GETCHECK) == BST_CHECKED, s.at(3) == "1") << s[2];
  } else if (verb == "entries") {
    EXPECT_EQ(send(item(), CB_GETCOUNT).value_or(-1), std::stoi(s.at(3))) << s[2];
  } else if (verb == "focus") {
    // focus <window> <control> [<text>]: the keyboard focus is in the control, with all
    // its text (as long as this one) selected.
    GUITHREADINFO gui{sizeof gui, 0, {}, {}, {}, {}, {}, {}, {}};
    const auto in_it = [&] { return GetGUIThreadInfo(0, &gui) && gui.hwndFocus == item(); };
    EXPECT_TRUE(wait_for(in_it, kWindowWait)) << "no focus in " << s[2];
    EXPECT_TRUE(s.size() < 4 || send(item(), EM_GETSEL) == MAKELRESULT(0, s[3].size())) << s[2];
  } else if (verb == "key") {
    // key <window> <key>...: typed while the window is the active one.
    HWND active = window(s.at(1));
    ASSERT_TRUE(wait_for([&] { return GetForegroundWindow() == active; }, kWindowWait)) << s[1];
    for (auto key = s.begin() + 2; key != s.end(); ++key)
      for (const DWORD up : {0, KEYEVENTF_KEYUP}) keybd_event(kKeys.at(*key), 0, up, 0);
  } else if (verb == "tooltip") {
    // tooltip <window> <control> <text>: shown while the mouse rests on the control.
    RECT at{};
    ASSERT_TRUE(GetWindowRect(item(), &at) && SetCursorPos(at.left + 4, at.top + 4));
    HWND tip = wait_for([&] { return find_window(pid(), TOOLTIPS_CLASSA); }, kWindowWait);
    EXPECT_EQ(tip ? window_text(tip) : "(no tooltip)", s.at(3));
  } else if (verb == "shot") {
    // shot <window> <file>: what the screen shows of it, kept with the test's output.
    EXPECT_TRUE(save_screenshot(window(s.at(1)), runner_value("LUMARI_OUT") + "\\" + s.at(2)));
  } else if (verb == "alt-enter") {
    constexpr LPARAM kAltDown = LPARAM{1} << 29;
    const LPARAM key = kAltDown | (LPARAM{MapVirtualKeyA(VK_RETURN, MAPVK_VK_TO_VSC)} << 16) | 1;
    ASSERT_TRUE(PostMessageA(item(), WM_SYSKEYDOWN, VK_RETURN, key));
  } else if (verb == "tray") {
    // The icon's callback is WM_MOUSEMOVE with the mouse message as X; posted, never
    // sent, since the handler stays in TrackPopupMenu until the menu closes.
    ASSERT_TRUE(PostMessageA(main_window_, WM_MOUSEMOVE, 0, WM_RBUTTONDOWN));
    HWND menu = wait_for([&] { return find_window(pid(), "#32768"); }, kWindowWait);
    ASSERT_NE(menu, nullptr) << "no pop-up menu after the tray icon's right-button press";
    ASSERT_TRUE(PostMessageA(menu, WM_CHAR, static_cast<unsigned char>(s.at(1).front()), 1));
    ASSERT_TRUE(gone(menu)) << "the menu stayed open after " << s[1];
  } else if (verb == "polls") {
    EXPECT_TRUE(wait_for([&] { return polls().size() >= std::stoul(s.at(1)); }, kPollsWait))
        << "fewer polls than " << s[1];
  } else if (verb == "no-polls-for") {
    // Real time has to pass: no tick may come for longer than the step says.
    Sleep(500);  // a request answered just now reaches the service's log a moment later
    const std::size_t before = polls().size();
    Sleep(static_cast<DWORD>(std::stoul(s.at(1))));
    EXPECT_EQ(polls().size(), before) << "the program polled on";
  } else if (verb == "last-outcome") {
    ASSERT_FALSE(polls().empty());
    EXPECT_TRUE(polls().back().ends_with(" -> " + s.at(1))) << polls().back();
  } else if (verb == "requests") {
    // requests <path> <count or *> <part>[|<other part>]: each request holds a part.
    const auto sent = requests(s.at(1));
    ASSERT_TRUE(s.at(2) == "*" || sent.size() == std::stoul(s[2])) << sent.size() << " " << s[1];
    const auto parts = unlisted(s.at(3));
    for (const std::string& request : sent) {
      EXPECT_TRUE(std::ranges::any_of(
          parts, [&](const auto& part) { return request.find(part) != std::string::npos; }))
          << request << " lacks " << s[3];
    }
  } else if (verb == "service") {
    // service <request> [!]<start>: a GET as from another computer, and how its
    // answer starts (or does not).
    const auto answer =
        make_winhttp_web_client()->get(runner_value("LUMARI_SERVICE_URL") + s.at(1));
    const std::string body = answer ? *answer : "";
    const bool negated = s.at(2).front() == '!';
    ASSERT_EQ(body.starts_with(s[2].substr(negated ? 1 : 0)), !negated)
        << s[1] << " answered " << body;
  } else if (verb == "other-program") {
    other_ = std::make_unique<OtherProgram>();
    ASSERT_TRUE(wait_for([&] { return GetForegroundWindow() == other_->hwnd; }, kWindowWait))
        << "another program could not be made the active one";
  } else if (verb == "no-balloon") {
    EXPECT_EQ(shown_balloon(), nullptr) << "a balloon before any problem";
  } else if (verb == "balloon") {
    // balloon <ms> <polls>: a new balloon within the time, after at least that many polls.
    const std::size_t before = polls().size();
    balloon_ = wait_for([&, earlier = balloon_] { return shown_balloon(earlier); },
                        Millis{std::stoi(s.at(1))});
    ASSERT_NE(balloon_, nullptr) << "no new balloon";
    EXPECT_GE(polls().size(), before + std::stoul(s.at(2))) << "the balloon came too early";
  } else if (verb == "tray-icon") {
    EXPECT_EQ(tray_icon_present(main_window_, kTrayIconId), s.at(1) == "1");
  } else if (verb == "exits") {
    ASSERT_EQ(exit_code(*program_, kWindowWait), std::stoul(s.at(1))) << "the program's end";
  } else if (verb == "run-log") {
    const std::string run_log = contents(core::join_path(folders_["data"], "lumari.dat"));
    static const std::regex one_line(
        R"((\S[^\r\n]*) start time = (\S[^\r\n]*) end time = (\S[^\r\n]*) Counter Lumarilog =  ([0-9]+)\r\n)");
    std::smatch parts;
    ASSERT_TRUE(std::regex_match(run_log, parts, one_line)) << "run log: " << run_log;
    const auto order_log = contents(core::join_path(folders_["exchange"], "Lumari.log"));
    EXPECT_EQ(parts[4].str(), std::to_string(core::split_lines(order_log).size()))
        << "order-log lines of the run";
  } else if (verb == "file") {
    // file <folder> <name> [!]<bytes>...: the file holds the bytes (or does not);
    // "(no file)" is a file that does not exist.
    each(2, 2, [&](const auto& name, const std::string& wanted) {
      const std::string bytes = contents(in_folder(name), "(no file)");
      const bool negated = wanted.starts_with('!');
      EXPECT_EQ(bytes == wanted.substr(negated ? 1 : 0), !negated)
          << name << " holds " << bytes << ", wanted " << wanted;
    });
  } else if (verb == "only-files") {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folders_.at(s.at(1)))) {
      names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>(s.begin() + 2, s.end()));
  } else if (verb == "keep" || verb == "kept") {
    // keep <folder> <name>...: the files' bytes now, none empty; kept: the same bytes.
    each(2, 1, [&](const auto& name, const auto&) {
      const std::string bytes = contents(in_folder(name));
      if (verb == "keep") kept_[in_folder(name)] = bytes;
      EXPECT_TRUE(!bytes.empty() && bytes == kept_.at(in_folder(name))) << name << ": " << bytes;
    });
  } else if (verb == "lines-added") {
    // lines-added <folder> <name> <count>: that many lines more than when it was kept.
    const auto had = core::split_lines(kept_.at(in_folder(arg(s, 2)))).size();
    EXPECT_EQ(lines().size(), had + std::stoul(s.at(3))) << s[2];
  } else if (verb == "lines-appear") {
    EXPECT_TRUE(wait_for([&] { return !lines().empty(); }, kPollsWait)) << "no line in " << s[2];
  } else if (verb == "all-lines-contain") {
    for (const auto& line : lines()) EXPECT_NE(line.find(s.at(3)), std::string::npos) << line;
  } else if (verb == "orders-as-sent") {
    // With polling stopped, the exchange files hold exactly what was sent.
    const auto sent = lines_of(contents(runner_value("LUMARI_SENT_LOG")));
    ASSERT_FALSE(sent.empty()) << "the service sent no order line";
    const std::string log = contents(core::join_path(folders_["exchange"], "Lumari.log"));
    const std::string current = contents(core::join_path(folders_["exchange"], "ServerOrder.log"));
    const PassOutput want = files_from_sent(sent);
    EXPECT_EQ(log, want.log) << "every version once, in order";
    EXPECT_EQ(sorted_lines(current), sorted_lines(want.current));
  } else if (verb == "run") {
    std::string error;
    const auto process =
        start_process(arg(s, 1), fs::path(arg(s, 1)).parent_path().string(), arg(s, 2), error);
    ASSERT_TRUE(process) << error;
    EXPECT_EQ(exit_code(*process, kSetupWait), std::stoul(s.at(3))) << arg(s, 1);
  } else if (verb == "same-as-built") {
    const std::string built = contents(options["program"]);
    EXPECT_TRUE(!built.empty() && contents(arg(s, 1)) == built) << "not the program built";
  } else if (verb == "entry") {
    each(1, 2, [&](const auto& name, const auto& value) { EXPECT_EQ(entry(name), value) << name; });
  } else if (verb == "entry-size") {
    EXPECT_GE(std::strtoull(entry("EstimatedSize").c_str(), nullptr, 10),
              contents(program_file_).size() / 1024)
        << "EstimatedSize in KiB";
  } else if (verb == "version") {
    EXPECT_EQ(file_version(arg(s, 1)), arg(s, 2));
  } else if (verb == "removed") {
    // The uninstaller goes on from a copy of itself, so what it removes goes late.
    const auto left = [&] {
      std::string found;
      for (const std::string& path : {program_file_, core::join_path(program_dir_, "uninstall.exe"),
                                      core::join_path(folders_["programs"], kShortcut),
                                      core::join_path(folders_["startup"], kShortcut)}) {
        if (core::file_exists(path)) found += path + " ";
      }
      HKEY key = nullptr;
      if (RegOpenKeyExA(HKEY_CURRENT_USER, kUninstallKey, 0, KEY_READ, &key) == ERROR_SUCCESS &&
          RegCloseKey(key) == ERROR_SUCCESS) {
        found += "the uninstall entry";
      }
      return found;
    };
    (void)wait_for([&] { return left().empty(); }, kSetupWait);
    EXPECT_EQ(left(), "") << "left after removal";
  } else {
    FAIL() << "no step " << verb;
  }
}

TEST_P(E2e, Runs) {
  for (const CaseRow& step : GetParam().steps) {
    SCOPED_TRACE(listed(step));
    run(step);
    if (HasFatalFailure()) return;
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
