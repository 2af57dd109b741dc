// Start-up, tray menu, windows, login and system choice, the fetch cycle, the
// order lists, polling, the run log and exchange-file faults: each a table of
// scripts run on an App over fake ports and real folders. The notation is told
// at the top of cycle/cases/fetch.txt.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <variant>

#include "cases/login_answers.h"
#include "cases/login_window.h"
#include "cases/saved_login.h"
#include "cases/selection.h"
#include "cases/settings_window.h"
#include "cases/startup.h"
#include "cases/tray_menu.h"
#include "reference_model.h"
#include "support/app_harness.h"
#include "support/case_file.h"
#include "support/printable.h"
#include "text/file_io.h"
#include "text/path_text.h"

namespace lumari::test {
namespace {

namespace fs = std::filesystem;
using core::App;

const std::vector<std::string> kOps = {"Read",   "Write",  "Rename",
                                       "Append", "Remove", "CreateDirectory"};
const std::vector<std::string> kKinds = {"None",         "Orders",    "Idle",
                                         "ForcedLogout", "ErrorPage", "NoAnswer"};
const std::map<std::string, core::MenuItem> kMenuItems = {
    {"mnuFlSi", core::MenuItem::mnuFlSi},   {"mnuflset", core::MenuItem::mnuflset},
    {"mnuflex", core::MenuItem::mnuflex},   {"mnulvSo", core::MenuItem::mnulvSo},
    {"mnulvset", core::MenuItem::mnulvset}, {"mnulvex", core::MenuItem::mnulvex}};
#define EVENT(name) \
  { #name, &App::name }
const std::map<std::string, void (App::*)()> kEvents = {EVENT(FrmMainMdi_Form_Load),
                                                        EVENT(FrmMainMdi_Form_Unload),
                                                        EVENT(FrmMainMdi_mnuFlSi_Click),
                                                        EVENT(FrmMainMdi_mnuflset_Click),
                                                        EVENT(FrmMainMdi_mnuflex_Click),
                                                        EVENT(FrmMainMdi_mnulvSo_Click),
                                                        EVENT(FrmMainMdi_mnulvset_Click),
                                                        EVENT(FrmMainMdi_mnulvex_Click),
                                                        EVENT(FrmMainMdi_mytimer_Timer),
                                                        EVENT(StartFetch),
                                                        EVENT(FetchTradeData),
                                                        EVENT(frmLogin_cmdLogin_Click),
                                                        EVENT(frmLogin_cmdCancel_Click),
                                                        EVENT(LoadSavedLogin),
                                                        EVENT(FrmSys_CmdProcced_Click),
                                                        EVENT(frmSettings_cmdBrowse_Click),
                                                        EVENT(frmSettings_cmdSave_Click),
                                                        EVENT(frmSettings_cmdCancel_Click)};
#undef EVENT
const std::map<std::string, core::WindowId> kWindows = {{"Login", core::WindowId::Login},
                                                        {"Selection", core::WindowId::Selection},
                                                        {"Settings", core::WindowId::Settings}};

using Ref = std::variant<std::string*, int*, bool*, std::int16_t*, std::int64_t*, std::size_t*>;
// clang-format off
#define S(name, path) {name, [](AppHarness& h) -> Ref { return &h.session().path; }}
const std::map<std::string, Ref (*)(AppHarness&)> kFields = {
    S("txtUser", login.controls.txtUser), S("txtPass", login.controls.txtPass),
    S("chklogin", login.controls.chklogin), S("cntsys", login.cntsys),
    S("cmbsystem_text", selection.controls.cmbsystem_text),
    S("chksys", selection.controls.chksys), S("mt4location", settings.mt4location),
    S("swlogin", main.swlogin), S("pathname", main.pathname), S("pathname1", main.pathname1),
    S("host", main.host), S("TxtGetMacAdr", main.TxtGetMacAdr),
    S("TimerInterval", main.TimerInterval), S("mytimer_enabled", main.mytimer_enabled),
    S("login.open", login.open), S("selection.open", selection.open),
    S("settings.open", settings.open), S("fetcher.loaded", fetcher.loaded),
    S("Usercode", login.Usercode), S("username", login.username), S("loginEmail", loginEmail),
    S("loginPassword", loginPassword), S("loginDate", loginDate), S("systemid", systemid),
    S("loginid", loginid), S("chkmark", chkmark), S("recKind", recKind), S("recFlag", recFlag),
    S("recText", recText), S("installCheck", installCheck), S("swlogout", swlogout),
    S("tddata", tddata), S("counter", counterLumarilog), S("lagging", sync.current_orders_unsaved),
    S("limit", sync.unsaved_limit_bytes),
    {"timer", [](AppHarness& h) -> Ref { return &h.ui.timer_enabled; }},
    {"interval", [](AppHarness& h) -> Ref { return &h.ui.timer_interval; }},
    {"tray", [](AppHarness& h) -> Ref { return &h.ui.tray_icon; }},
    {"ended", [](AppHarness& h) -> Ref { return &h.ui.ended; }}};
// clang-format on
#undef S

[[nodiscard]] std::string when(const std::optional<core::DateTime>& t) {
  if (!t) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%d-%d-%d %02d:%02d:%02d", t->year, t->month, t->day, t->hour,
                t->minute, t->second);
  return text;
}

// One script's App; every file operation is recorded, and those named by "fail"
// rows fail until "heal".
class Script {
 public:
  Script() {
    core::set_file_fault_hook([this](core::FileOp op, const std::string& path) {
      calls_.emplace_back(op, fs::path(path).lexically_normal());
      return faults_.count({kOps[static_cast<int>(op)], fs::path(path).filename().string()}) > 0;
    });
  }
  ~Script() {
    core::set_file_fault_hook(nullptr);
    if (!cwd_.empty()) fs::current_path(cwd_);
  }
  void run(const CaseRow& row);

 private:
  // "x/..." is in the exchange folder, "d/..." in the data folder, the rest in the root.
  [[nodiscard]] fs::path at(const std::string& where) const {
    const bool x = where[0] == 'x', d = where[0] == 'd',
               alone = where.size() < 2 || where[1] == '/';
    fs::path path = h.root.path() / where;
    if ((x || d) && alone) {
      const fs::path base = x ? h.exchange_folder : h.data_folder;
      path = where.size() > 2 ? base / where.substr(2) : base;
    }
    return path.make_preferred();
  }
  // The operations on files directly in the folder since they were last taken.
  [[nodiscard]] std::string take_calls(const fs::path& folder) {
    std::string taken;
    std::erase_if(calls_, [&](const auto& call) {
      if (call.second.parent_path() != folder.lexically_normal()) return false;
      taken += (taken.empty() ? "" : ", ") + kOps[static_cast<int>(call.first)] + ' ' +
               call.second.filename().string();
      return true;
    });
    return taken;
  }
  /// The field's text, after setting it to the value when one is given.
  [[nodiscard]] std::string field(const std::string& name, const std::string* value = nullptr) {
    return std::visit(
        [&](auto* f) -> std::string {
          using T = std::remove_pointer_t<decltype(f)>;
          if constexpr (std::is_same_v<T, std::string>)
            return value ? (*f = *value) : *f;
          else
            return std::to_string(value ? (*f = static_cast<T>(std::stoll(*value))) : *f);
        },
        kFields.at(name)(h));
  }
  [[nodiscard]] std::string shown(const std::string& key);

  AppHarness h;
  std::vector<std::pair<core::FileOp, fs::path>> calls_;
  std::set<std::pair<std::string, std::string>> faults_;
  std::vector<CaseRow> in_message_box_;
  std::string notes_;
  PassInput before_tick_;
  fs::path cwd_;
};

void Script::run(const CaseRow& row) {
  // "{mt4}" is the MT4 folder that "start" saves, "{/}" the separator and a
  // value "~/..." a path below the root folder.
  const auto arg = [&](std::size_t i) {
    if (row.size() <= i) return std::string();
    if (row[i].starts_with("~/")) return at(row[i].substr(2)).string();
    return with_values(row[i],
                       {{"{mt4}", h.mt4_folder}, {"{/}", std::string(1, core::kPathSeparator)}});
  };
  const std::string &op = row[0], a1 = arg(1), a2 = arg(2);
  core::Session& s = h.session();
  if (op[0] == '=' || op[0] == '~') {
    const std::string text = shown(op.substr(1));
    const bool holds = op[0] == '=' ? text == a1 : text.find(a1) != std::string::npos;
    EXPECT_TRUE(holds) << op << " shows " << printable(text) << ", not " << printable(a1);
  } else if (kEvents.count(op)) {
    (h.app.get()->*kEvents.at(op))();
  } else if (op == "start") {
    h.start();
  } else if (op == "login") {
    h.log_in(a1.empty() ? "1234;11;Alpha" : a1);
    (void)take_calls(h.exchange_folder);
  } else if (op == "tick" || op == "fetch") {
    before_tick_ = {a1, h.exchange("Lumari.log"), h.exchange("ServerOrder.log"), s.sync.srvseen};
    if (row.size() > 1) run({"answer", "/GetTD.do", row[1]});  // else the idle answer
    if (op == "fetch") {
      h.app->FetchTradeData();
    } else if (h.ui.timer_enabled) {
      h.app->FrmMainMdi_mytimer_Timer();
    }
  } else if (op == "answer") {  // "!why": the request fails for that reason
    if (a2.starts_with('!')) h.web.answer(a1, core::Error{a2.substr(1)});
    if (!a2.starts_with('!')) h.web.answer(a1, a2);
  } else if (op == "menu") {  // a right click on the tray icon, choosing the item
    if (!a1.empty()) h.ui.menu_choices.push_back(kMenuItems.at(a1));
    h.app->FrmMainMdi_Form_MouseMove(516);
  } else if (op == "mouse") {
    h.app->FrmMainMdi_Form_MouseMove(std::stoi(a1));
  } else if (op == "put") {
    write_bytes(at(a1), a2);
  } else if (op == "rm") {
    fs::remove_all(at(a1));
  } else if (op == "mkdir") {
    fs::create_directories(at(a1));
  } else if (op == "fail") {
    faults_.insert({a1, a2});
  } else if (op == "heal") {
    faults_.clear();
  } else if (op == "clock") {
    core::DateTime& t = h.clock.current;
    std::istringstream(a1) >> t.year >> t.month >> t.day >> t.hour >> t.minute >> t.second;
  } else if (op == "set") {
    (void)field(a1, &a2);
  } else if (op == "ceklist") {
    s.main.ceklist = unlisted(a1);
  } else if (op == "adapters") {
    h.adapters.list = adapters_of(a1);
  } else if (op == "close") {
    h.app->window_closed(kWindows.at(a1));
  } else if (op == "dialog") {  // what the next file dialog gives, "-" for nothing
    h.ui.dialog_results.push_back(a1 == "-" ? std::nullopt : std::optional(a1));
  } else if (op == "key") {  // key code, shift state, whether the box used it
    const bool used =
        h.app->frmLogin_txtPass_KeyDown(std::int16_t(std::stoi(a1)), std::int16_t(std::stoi(a2)));
    EXPECT_EQ(used, row.at(3) == "1");
  } else if (op == "inbox") {  // a step run inside every message box while it is open
    if (row.size() == 1) in_message_box_.clear();
    if (row.size() > 1) in_message_box_.emplace_back(row.begin() + 1, row.end());
    h.ui.while_message_open = [this](const ShownMessage&) {
      for (const CaseRow& step : std::vector(in_message_box_)) run(step);
    };
  } else if (op == "note") {
    notes_ += field(a1);
  } else if (op == "mark") {
    h.ui.calls.clear();
  } else if (op == "app") {  // a new run over the same folders, with a terminals root if given
    core::TerminalDataRoots terminals;
    if (!a1.empty()) terminals.roots = {at(a1).string()};
    h.app = std::make_unique<App>(core::Ports{h.ui, h.clock, h.adapters, h.web.factory()},
                                  core::AppConfig{h.data_folder, "http://service.test", terminals});
  } else if (op == "cwd") {
    cwd_ = fs::current_path();
    fs::create_directories(at(a1));
    fs::current_path(at(a1));
  } else {
    FAIL() << "unknown step " << op;
  }
}

std::string Script::shown(const std::string& key) {
  const core::Session& s = h.session();
  const core::CycleReport& r = h.app->last_cycle();
  std::string text;
  if (key.starts_with("count:"))
    return std::to_string(std::count(h.ui.calls.begin(), h.ui.calls.end(), key.substr(6)));
  if (key == "kind") return kKinds[static_cast<int>(r.kind)];
  if (key == "report") {
    return kKinds[static_cast<int>(r.kind)] + (r.saved ? " saved " : " unsaved ") +
           std::to_string(r.new_versions) + " " + std::to_string(r.log_lines) + " " +
           std::to_string(r.current_orders);
  }
  if (key == "problem") {  // the root folder shown as "~", separators as "/"
    std::string problem = r.problem;
    const std::string root = h.root.path().string();
    if (const auto at = problem.find(root); at != std::string::npos)
      problem.replace(at, root.size(), "~");
    std::replace(problem.begin(), problem.end(), '\\', '/');
    return problem;
  }
  if (key == "calls") return take_calls(h.exchange_folder);
  if (key == "dcalls") return take_calls(h.data_folder);
  if (key == "polls" || key == "url") {
    std::vector<std::string> polls = h.web.requested;
    std::erase_if(polls, [](auto& url) { return url_path(url) != "/GetTD.do"; });
    if (key == "url") return polls.empty() ? "" : polls.back();
    return std::to_string(polls.size());
  }
  if (key == "requests") return listed(h.web.requested);
  if (key == "clients") return std::to_string(h.web.clients_made);
  if (key == "adapter_reads") return std::to_string(h.adapters.calls);
  if (key == "ceklist") return listed(s.main.ceklist);
  if (key == "cmbsystem") return listed(s.selection.controls.cmbsystem);
  if (key == "app.ended") return h.app->ended() ? "1" : "0";
  if (key == "loginTime") return s.loginTime == h.clock.current ? "now" : "other";
  if (key == "lists") {
    return std::to_string(s.fetcher.listData.size() + s.fetcher.lumarilog.size() +
                          s.fetcher.ServerOrd.size());
  }
  if (key == "sysord") {
    for (const auto& line : s.fetcher.sysord.lines())
      text += (text.empty() ? "" : " / ") + std::string(line);
    return text;
  }
  if (key == "unsaved") return crlf(s.sync.unsaved_log_lines);
  if (key == "session") {
    return s.systemid + " " + s.login.username + " " + std::to_string(s.loginDate) + " " +
           when(s.loginTime);
  }
  if (key == "endTime") return when(s.endTime);
  if (key == "folder") {
    return fs::path(s.main.exchange_folder).lexically_relative(h.root.path()).generic_string();
  }
  if (key == "messages") {
    for (const auto& m : h.ui.messages) {
      text += (m.icon == core::MessageIcon::Critical ? "Critical " : "Information ") + m.caption +
              ": " + m.text + "|";
    }
    return text;
  }
  if (key == "notices") return listed(h.ui.notices);
  if (key == "ui") return listed(h.ui.calls);
  if (key == "windows") {
    for (const auto& [window, id] : kWindows) text += h.ui.is_open(id) ? window + "|" : "";
    return text;
  }
  if (key == "notes") return notes_;
  if (key == "model") {  // the files as the reference pass writes them from those before the tick
    const PassOutput m = run_reference_pass(before_tick_);
    const bool same =
        m.log == h.exchange("Lumari.log") && m.current == h.exchange("ServerOrder.log");
    return same ? "same" : m.log + "|" + m.current;
  }
  if (kFields.count(key)) return field(key);
  const fs::path path = at(key);
  if (fs::is_directory(path)) return "[" + folder_listing(path) + "]";
  return fs::exists(path) ? read_bytes(path) : "(missing)";
}

TEST(Scripts, RunAsTheTablesSay) {
  for (const auto table :
       {kCases_startup, kCases_tray_menu, kCases_settings_window, kCases_login_answers,
        kCases_login_window, kCases_saved_login, kCases_selection}) {
    std::unique_ptr<Script> script;
    std::string name;
    for (CaseRow row : case_rows(table)) {
      if (row[0] == "case") {
        script.reset();
        script = std::make_unique<Script>(), name = row.at(1);
        continue;
      }
      for (std::string& field : row) field = expand_versions(field);
      SCOPED_TRACE(name + ": " + printable(row[0] + (row.size() > 1 ? " " + row[1] : "")));
      ASSERT_NO_THROW(script->run(row)) << row[0];
    }
  }
}

}  // namespace
}  // namespace lumari::test
