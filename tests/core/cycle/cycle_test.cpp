// The fetch cycle, the fetcher window's load, the order lists, polling, the run
// log and faults of the exchange files, each a table of scenarios: a row is a
// step done to an App on fake ports over real folders, or a value it must show;
// the notation is told at the top of cases/fetch.txt.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>

#include "cases/faults.h"
#include "cases/fetch.h"
#include "cases/lists.h"
#include "cases/polling.h"
#include "cases/run_log.h"
#include "cases/window.h"
#include "reference_model.h"
#include "support/app_harness.h"
#include "support/case_file.h"
#include "support/printable.h"
#include "text/file_io.h"

namespace lumari::test {
namespace {

namespace fs = std::filesystem;
using core::App;

const std::vector<std::string> kOps = {"Read",   "Write",  "Rename",
                                       "Append", "Remove", "CreateDirectory"};
const std::vector<std::string> kKinds = {"None",         "Orders",    "Idle",
                                         "ForcedLogout", "ErrorPage", "NoAnswer"};
const std::vector<std::string> kMenuItems = {"mnuFlSi", "mnuflset", "mnuflex",
                                             "mnulvSo", "mnulvset", "mnulvex"};
const std::map<std::string, void (App::*)()> kEvents = {
    {"FrmMainMdi_Form_Load", &App::FrmMainMdi_Form_Load},
    {"FrmMainMdi_mnuFlSi_Click", &App::FrmMainMdi_mnuFlSi_Click},
    {"FrmMainMdi_mnuflex_Click", &App::FrmMainMdi_mnuflex_Click},
    {"FrmMainMdi_mnulvSo_Click", &App::FrmMainMdi_mnulvSo_Click},
    {"FrmMainMdi_mnulvset_Click", &App::FrmMainMdi_mnulvset_Click},
    {"FrmMainMdi_mnulvex_Click", &App::FrmMainMdi_mnulvex_Click},
    {"FrmMainMdi_mytimer_Timer", &App::FrmMainMdi_mytimer_Timer},
    {"StartFetch", &App::StartFetch},
    {"FetchTradeData", &App::FetchTradeData},
    {"frmLogin_cmdLogin_Click", &App::frmLogin_cmdLogin_Click},
    {"FrmSys_CmdProcced_Click", &App::FrmSys_CmdProcced_Click},
    {"frmSettings_cmdSave_Click", &App::frmSettings_cmdSave_Click},
    {"frmSettings_cmdCancel_Click", &App::frmSettings_cmdCancel_Click},
};
constexpr int kRightButtonDown = 516;

[[nodiscard]] int index_of(const std::vector<std::string>& names, const std::string& name) {
  const auto at = std::find(names.begin(), names.end(), name);
  if (at == names.end()) throw std::invalid_argument("unknown name " + name);
  return static_cast<int>(at - names.begin());
}

[[nodiscard]] std::string join(const std::vector<std::string>& items, const char* between) {
  std::string text;
  for (const auto& item : items) text += (text.empty() ? "" : between) + item;
  return text;
}

// "!why" stands for a request that fails for that reason.
[[nodiscard]] core::Result<std::string> reply(const std::string& text) {
  if (!text.empty() && text[0] == '!') return core::Error{text.substr(1)};
  return text;
}

// One scenario's App; every file operation is recorded, and the ones named by
// "fail" rows fail until "heal".
class Scenario {
 public:
  Scenario() {
    core::set_file_fault_hook([this](core::FileOp op, const std::string& path) {
      calls_.emplace_back(op, fs::path(path).lexically_normal());
      return faults_.count({kOps[static_cast<int>(op)], fs::path(path).filename().string()}) > 0;
    });
  }
  ~Scenario() {
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
  [[nodiscard]] std::string relative(const std::string& path) const {
    return path.empty() ? "" : fs::path(path).lexically_relative(h.root.path()).generic_string();
  }
  // The operations on files directly in the folder since they were last taken.
  [[nodiscard]] std::string take_calls(const fs::path& folder) {
    std::vector<std::string> taken;
    std::erase_if(calls_, [&](const auto& call) {
      if (call.second.parent_path() != folder.lexically_normal()) return false;
      taken.push_back(kOps[static_cast<int>(call.first)] + ' ' + call.second.filename().string());
      return true;
    });
    return join(taken, ", ");
  }
  [[nodiscard]] std::string state(const std::string& key);

  AppHarness h;
  std::vector<std::pair<core::FileOp, fs::path>> calls_;
  std::set<std::pair<std::string, std::string>> faults_;
  std::vector<CaseRow> in_message_box_;
  std::string notes_;
  PassInput before_tick_;
  fs::path cwd_;
};

void Scenario::run(const CaseRow& row) {
  // A value "~/..." is a path below the root folder.
  const auto field = [&](std::size_t i) {
    if (row.size() <= i) return std::string();
    return row[i].rfind("~/", 0) == 0 ? at(row[i].substr(2)).string() : row[i];
  };
  const std::string& op = row[0];
  const std::string arg = field(1), arg2 = field(2);
  core::Session& s = h.session();
  if (op[0] == '=') {
    EXPECT_EQ(printable(state(op.substr(1))), printable(arg)) << op;
  } else if (op == "login") {
    h.log_in(arg.empty() ? "1234;11;Alpha" : arg);
    (void)take_calls(h.exchange_folder);
  } else if (op == "start") {
    h.start();
  } else if (op == "tick" || op == "fetch") {
    before_tick_ = {arg, h.exchange("Lumari.log"), h.exchange("ServerOrder.log"), s.sync.srvseen};
    if (row.size() > 1) h.web.answer("/GetTD.do", reply(arg));  // else the idle answer
    if (op == "fetch") {
      h.app->FetchTradeData();
    } else if (h.ui.timer_enabled) {
      h.app->FrmMainMdi_mytimer_Timer();
    }
  } else if (op == "answer") {
    h.web.answer(arg, reply(arg2));
  } else if (op == "do") {
    (h.app.get()->*kEvents.at(arg))();
  } else if (op == "menu") {
    if (!arg.empty()) h.ui.menu_choices.push_back(core::MenuItem(index_of(kMenuItems, arg)));
    h.app->FrmMainMdi_Form_MouseMove(kRightButtonDown);
  } else if (op == "put") {
    write_bytes(at(arg), arg2);
  } else if (op == "rm") {
    fs::remove_all(at(arg));
  } else if (op == "mkdir") {
    fs::create_directories(at(arg));
  } else if (op == "fail") {
    faults_.insert({arg, arg2});
  } else if (op == "heal") {
    faults_.clear();
  } else if (op == "clock") {
    core::DateTime& t = h.clock.current;
    std::istringstream(arg) >> t.year >> t.month >> t.day >> t.hour >> t.minute >> t.second;
  } else if (op == "set") {
    const std::map<std::string, std::string*> fields = {
        {"systemid", &s.systemid},
        {"username", &s.login.username},
        {"loginid", &s.loginid},
        {"txtUser", &s.login.controls.txtUser},
        {"txtPass", &s.login.controls.txtPass},
        {"cmbsystem_text", &s.selection.controls.cmbsystem_text},
        {"mt4location", &s.settings.mt4location}};
    *fields.at(arg) = arg2;
  } else if (op == "limit") {
    s.sync.unsaved_limit_bytes = std::stoul(arg);
  } else if (op == "ethernet") {
    std::vector<std::uint8_t> address;
    for (std::size_t i = 0; i + 1 < arg.size(); i += 2) {
      address.push_back(static_cast<std::uint8_t>(std::stoi(arg.substr(i, 2), nullptr, 16)));
    }
    h.adapters.list = {1, true, {{core::kAdapterTypeEthernet, address}}};
  } else if (op == "inbox") {  // a step run inside every message box while it is open
    if (row.size() == 1) in_message_box_.clear();
    if (row.size() > 1) in_message_box_.emplace_back(row.begin() + 1, row.end());
    h.ui.while_message_open = [this](const ShownMessage&) {
      for (const CaseRow& step : std::vector(in_message_box_)) run(step);
    };
  } else if (op == "note") {
    notes_ += std::to_string(s.swlogout);
  } else if (op == "mark") {
    h.ui.calls.clear();
  } else if (op == "app") {  // a new run over the same folders, with a terminals root if given
    core::TerminalDataRoots terminals;
    if (!arg.empty()) terminals.roots = {at(arg).string()};
    h.app = std::make_unique<App>(core::Ports{h.ui, h.clock, h.adapters, h.web.factory()},
                                  core::AppConfig{h.data_folder, "http://service.test", terminals});
  } else if (op == "cwd") {
    cwd_ = fs::current_path();
    fs::create_directories(at(arg));
    fs::current_path(at(arg));
  } else {
    FAIL() << "unknown step " << op;
  }
}

std::string Scenario::state(const std::string& key) {
  const core::Session& s = h.session();
  const core::CycleReport& r = h.app->last_cycle();
  const auto yes = [](bool b) { return std::string(b ? "yes" : "no"); };
  const auto when = [](const std::optional<core::DateTime>& t) {
    if (!t) return std::string("-");
    char text[32];
    std::snprintf(text, sizeof text, "%d-%d-%d %02d:%02d:%02d", t->year, t->month, t->day, t->hour,
                  t->minute, t->second);
    return std::string(text);
  };
  std::vector<std::string> requests, messages;
  for (const auto& url : h.web.requested) {
    if (url_path(url) == "/GetTD.do") requests.push_back(url);
  }
  for (const auto& m : h.ui.messages) {
    messages.push_back((m.icon == core::MessageIcon::Critical ? "Critical " : "Information ") +
                       m.caption + ": " + m.text);
  }
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
  if (key == "requests") return std::to_string(requests.size());
  if (key == "url") return requests.empty() ? "" : requests.back();
  if (key == "clients") return std::to_string(h.web.clients_made);
  if (key == "tddata") return s.tddata;
  if (key == "swlogin") return std::to_string(s.main.swlogin);
  if (key == "swlogout") return std::to_string(s.swlogout);
  if (key == "timer") return yes(h.ui.timer_enabled) + " " + yes(s.main.mytimer_enabled);
  if (key == "interval") return std::to_string(h.ui.timer_interval);
  if (key == "loaded") return yes(s.fetcher.loaded);
  if (key == "lists") {
    return std::to_string(s.fetcher.listData.size() + s.fetcher.lumarilog.size() +
                          s.fetcher.ServerOrd.size());
  }
  if (key == "sysord") {
    return join({s.fetcher.sysord.lines().begin(), s.fetcher.sysord.lines().end()}, " / ");
  }
  if (key == "unsaved") return crlf(s.sync.unsaved_log_lines);
  if (key == "lagging") return yes(s.sync.current_orders_unsaved);
  if (key == "counter") return std::to_string(s.counterLumarilog);
  if (key == "session") {
    return s.systemid + " " + s.login.username + " " + std::to_string(s.loginDate) + " " +
           when(s.loginTime);
  }
  if (key == "endTime") return when(s.endTime);
  if (key == "folder") return relative(s.main.exchange_folder);
  if (key == "pathname1") return relative(s.main.pathname1);
  if (key == "messages") return join(messages, " / ");
  if (key == "notices") return join(h.ui.notices, " / ");
  if (key == "ui") return join(h.ui.calls, " / ");
  if (key == "windows") {
    std::vector<std::string> open;
    for (const auto w : h.ui.open_windows) open.emplace_back(window_name(w));
    return join(open, " ");
  }
  if (key == "ended") return yes(h.ui.ended) + " " + yes(h.app->ended());
  if (key == "tray") return yes(h.ui.tray_icon);
  if (key == "notes") return notes_;
  if (key == "model") {  // the files as the reference pass writes them from those before the tick
    const PassOutput m = run_reference_pass(before_tick_);
    const bool same =
        m.log == h.exchange("Lumari.log") && m.current == h.exchange("ServerOrder.log");
    return same ? "same" : m.log + "|" + m.current;
  }
  const fs::path path = at(key);
  if (fs::is_directory(path)) return "[" + folder_listing(path) + "]";
  return fs::exists(path) ? read_bytes(path) : "(missing)";
}

// A case starts at a "case <name>" row; the fields of its rows take "@A 10:00"
// shorthands of order versions.
void run_cases(std::string_view text) {
  std::unique_ptr<Scenario> scenario;
  std::string name;
  for (CaseRow row : case_rows(text)) {
    if (row[0] == "case") {
      scenario.reset();
      scenario = std::make_unique<Scenario>();
      name = row.at(1);
      continue;
    }
    for (std::string& field : row) field = expand_versions(field);
    SCOPED_TRACE(name);
    ASSERT_NO_THROW(scenario->run(row)) << row[0];
  }
}

TEST(Cycle, FetchCycleActsOnEachKindOfAnswer) { run_cases(kCases_fetch); }
TEST(Cycle, FetcherWindowEmptiesTheCurrentOrderFileOncePerRun) { run_cases(kCases_window); }
TEST(Cycle, OrderListsAreLoadedFromTheAnswerAndTheFiles) { run_cases(kCases_lists); }
TEST(Cycle, PollingRunsOneCycleATickWhileLoggedIn) { run_cases(kCases_polling); }
TEST(Cycle, RunLogGetsOneLineAtEachExit) { run_cases(kCases_run_log); }
TEST(Cycle, ExchangeFileFaultsLoseNoVersion) { run_cases(kCases_faults); }

}  // namespace
}  // namespace lumari::test
