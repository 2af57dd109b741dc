// The core's text helpers, account records, settings, start-up, tray menu and
// windows, each behaviour a case table: a table of functions (a row names the
// function, its arguments and the text it gives) or scripts of steps on a
// program over fake ports and real folders.
#include <gtest/gtest.h>

#include <charconv>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <variant>

#include "account/login_answer.h"
#include "account/saved_login.h"
#include "account/system_line.h"
#include "cases/account_records.h"
#include "cases/exchange_folders.h"
#include "cases/login_answers.h"
#include "cases/login_window.h"
#include "cases/machine_identity.h"
#include "cases/saved_login.h"
#include "cases/selection.h"
#include "cases/settings_window.h"
#include "cases/startup.h"
#include "cases/text_helpers.h"
#include "cases/tray_menu.h"
#include "settings/exchange_folder.h"
#include "settings/mt4_location.h"
#include "shell/data_folder.h"
#include "shell/machine_identity.h"
#include "support/app_harness.h"
#include "support/case_file.h"
#include "support/printable.h"
#include "text/file_io.h"
#include "text/lenient_number.h"
#include "text/line_file.h"
#include "text/path_text.h"
#include "text/trim.h"
#include "text/url_encode.h"

namespace lumari::test {
namespace {

namespace fs = std::filesystem;
using core::WindowId;

/// Items each followed by "|", so that no items and one empty item differ.
[[nodiscard]] std::string listed(const std::vector<std::string>& items) {
  std::string text;
  for (const auto& item : items) text += item + "|";
  return text;
}

[[nodiscard]] std::vector<std::string> unlisted(std::string_view text) {
  std::vector<std::string> items;
  for (std::size_t bar; (bar = text.find('|')) != std::string_view::npos;
       text.remove_prefix(bar + 1))
    items.emplace_back(text.substr(0, bar));
  return items;
}

[[nodiscard]] std::string none_or(const std::optional<std::string>& text) {
  return text ? *text : "<none>";
}

[[nodiscard]] std::string shortest(double value) {
  char text[64];
  return {text, std::to_chars(text, text + sizeof text, value + 0.0).ptr};
}

[[nodiscard]] std::string native(std::string text) {
  for (char& c : text) c = c == '/' ? core::kPathSeparator : c;
  return text;
}

/// "3 1 6=000c29 71=0a" is a count of 3, read, an Ethernet and a type-71 adapter.
[[nodiscard]] core::AdapterList adapters_of(std::string_view spec) {
  core::AdapterList list;
  std::istringstream in{std::string(spec)};
  in >> list.count >> list.read_ok;
  for (std::string record; in >> record;) {
    const auto eq = record.find('=');
    list.records.push_back({static_cast<std::uint32_t>(std::stoul(record.substr(0, eq))), {}});
    for (std::size_t at = eq + 1; at + 1 < record.size(); at += 2)
      list.records.back().address.push_back(
          static_cast<std::uint8_t>(std::stoul(record.substr(at, 2), nullptr, 16)));
  }
  return list;
}

using Function = std::function<std::string(const CaseRow&)>;
const std::map<std::string, Function> kFunctions = {
    {"trim", [](auto& r) { return std::string(core::trim_spaces(r[1])); }},
    {"number", [](auto& r) { return shortest(core::lenient_number(r[1])); }},
    {"round", [](auto& r) { return std::to_string(core::round_half_even(std::stod(r[1]))); }},
    {"number_text", [](auto& r) { return core::number_text(std::stod(r[1])); }},
    {"sign_blank", [](auto& r) { return core::sign_blank_text(std::stoll(r[1])); }},
    {"split_lines", [](auto& r) { return listed(core::split_lines(r[1])); }},
    {"join_lines", [](auto& r) { return core::join_lines_crlf(unlisted(r[1])); }},
    {"encode", [](auto& r) { return core::percent_encode(r[1]); }},
    {"decode", [](auto& r) { return none_or(core::percent_decode(r[1])); }},
    {"join_path",
     [](auto& r) {
       const std::string joined = core::join_path(native(r[1]), native(r[2]));
       return joined == native(r[3]) ? r[3] : joined;
     }},
    {"user_id", [](auto& r) { return core::user_id_of(r[1]); }},
    {"systems",
     [](auto& r) {
       std::string rest = r[1], text;
       for (const auto& s : core::take_login_systems(rest)) text += s.id + ";" + s.name + "|";
       return text + ">" + rest;
     }},
    {"saved_record",
     [](auto& r) {
       core::SavedRecordFields f{"old kind", "old flag", "old text"};
       const bool split = core::ParseSavedRecord(r[1], f);
       return listed({split ? "split" : "kept", f.kind, f.flag, f.text});
     }},
    {"marker",
     [](auto& r) {
       const auto split = core::split_marker(r[1]);
       return listed({std::string(split.entry), std::string(split.marker)});
     }},
    {"login_record", [](auto& r) { return core::login_record(std::stoi(r[1]), r[2]); }},
    {"check_value", [](auto& r) { return std::to_string(core::check_value_of(r[1])); }},
    {"system_line",
     [](auto& r) {
       std::string id = "stale id", name = "stale name";
       core::SplitSystemLine(r[1], id, name);
       return listed({id, name});
     }},
    {"entry_id", [](auto& r) { return core::system_id_of_entry(r[1]); }},
    {"mt4_folder", [](auto& r) { return none_or(core::mt4_folder_of(r[1])); }},
    {"address",
     [](auto& r) {
       return core::FormatAdapterAddress(adapters_of("1 1 6=" + r[1]).records[0].address);
     }},
    {"identity",
     [](auto& r) {
       FakeAdapters adapters;
       adapters.list = adapters_of(r[1]);
       std::string loginid = "previous";
       const std::string box = core::GetMachineIdentity(adapters, loginid);
       return listed({loginid, box});
     }},
};

void check_functions(std::string_view cases) {
  for (const CaseRow& row : case_rows(cases)) {
    SCOPED_TRACE(printable(row[0] + " " + row[1]));
    EXPECT_EQ(printable(kFunctions.at(row[0])(row)), printable(row.back()));
  }
}

TEST(Tables, TextHelpers) {
  check_functions(kCases_text_helpers);
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(core::percent_decode(core::percent_encode(all)), all);
}
TEST(Tables, AccountRecords) { check_functions(kCases_account_records); }
TEST(Tables, MachineIdentity) { check_functions(kCases_machine_identity); }

// A script runs on one program: steps act on it, "=name" rows check what it shows
// byte for byte and "~name" rows that it holds a text.
struct Script {
  Script() {
    h.ui.while_message_open = [this](const ShownMessage&) {
      swlogin_at_message += std::to_string(h.session().main.swlogin);
    };
  }
  AppHarness h;
  std::string swlogin_at_message;
};

using Ref = std::variant<std::string*, int*, bool*, std::int16_t*>;
#define FIELD(name, expr)                              \
  {                                                    \
    name, [](AppHarness& h) -> Ref { return &h.expr; } \
  }
const std::map<std::string, Ref (*)(AppHarness&)> kFields = {
    FIELD("txtUser", session().login.controls.txtUser),
    FIELD("txtPass", session().login.controls.txtPass),
    FIELD("chklogin", session().login.controls.chklogin),
    FIELD("cmbsystem_text", session().selection.controls.cmbsystem_text),
    FIELD("chksys", session().selection.controls.chksys),
    FIELD("mt4location", session().settings.mt4location),
    FIELD("swlogin", session().main.swlogin),
    FIELD("pathname", session().main.pathname),
    FIELD("pathname1", session().main.pathname1),
    FIELD("host", session().main.host),
    FIELD("TxtGetMacAdr", session().main.TxtGetMacAdr),
    FIELD("TimerInterval", session().main.TimerInterval),
    FIELD("mytimer_enabled", session().main.mytimer_enabled),
    FIELD("login.open", session().login.open),
    FIELD("selection.open", session().selection.open),
    FIELD("settings.open", session().settings.open),
    FIELD("fetcher.loaded", session().fetcher.loaded),
    FIELD("cntsys", session().login.cntsys),
    FIELD("Usercode", session().login.Usercode),
    FIELD("username", session().login.username),
    FIELD("loginEmail", session().loginEmail),
    FIELD("loginPassword", session().loginPassword),
    FIELD("loginDate", session().loginDate),
    FIELD("systemid", session().systemid),
    FIELD("loginid", session().loginid),
    FIELD("chkmark", session().chkmark),
    FIELD("recKind", session().recKind),
    FIELD("recFlag", session().recFlag),
    FIELD("recText", session().recText),
    FIELD("installCheck", session().installCheck),
    FIELD("timer", ui.timer_enabled),
    FIELD("tray", ui.tray_icon),
    FIELD("ended", ui.ended),
};
#undef FIELD

#define EVENT(name) \
  { #name, &core::App::name }
const std::map<std::string, void (core::App::*)()> kEvents = {
    EVENT(FrmMainMdi_Form_Load),      EVENT(FrmMainMdi_Form_Unload),
    EVENT(FrmMainMdi_mnuFlSi_Click),  EVENT(FrmMainMdi_mnuflset_Click),
    EVENT(FrmMainMdi_mnuflex_Click),  EVENT(FrmMainMdi_mnulvSo_Click),
    EVENT(FrmMainMdi_mnulvset_Click), EVENT(frmLogin_cmdLogin_Click),
    EVENT(frmLogin_cmdCancel_Click),  EVENT(LoadSavedLogin),
    EVENT(FrmSys_CmdProcced_Click),   EVENT(frmSettings_cmdBrowse_Click),
    EVENT(frmSettings_cmdSave_Click), EVENT(frmSettings_cmdCancel_Click),
};
#undef EVENT

const std::map<std::string, WindowId> kWindows = {{"Login", WindowId::Login},
                                                  {"Selection", WindowId::Selection},
                                                  {"Settings", WindowId::Settings}};
const std::map<std::string, core::MenuItem> kItems = {{"mnuFlSi", core::MenuItem::mnuFlSi},
                                                      {"mnuflset", core::MenuItem::mnuflset}};

[[nodiscard]] std::string shown(Script& s, const std::string& name) {
  AppHarness& h = s.h;
  const std::string arg = name.substr(name.find(':') + 1);
  if (name.starts_with("data:")) return h.has_data(arg) ? h.data(arg) : "<absent>";
  if (name.starts_with("exchange:")) return h.has_exchange(arg) ? h.exchange(arg) : "<absent>";
  if (name.starts_with("count:")) return std::to_string(h.ui.count_calls(arg));
  if (name == "calls") return listed(h.ui.calls);
  if (name == "requests") return listed(h.web.requested);
  if (name == "clients") return std::to_string(h.web.clients_made);
  if (name == "ceklist") return listed(h.session().main.ceklist);
  if (name == "cmbsystem") return listed(h.session().selection.controls.cmbsystem);
  if (name == "swlogin@message") return s.swlogin_at_message;
  if (name == "adapter_reads") return std::to_string(h.adapters.calls);
  if (name == "data_folder") return fs::is_directory(h.data_folder) ? "exists" : "<absent>";
  if (name == "app.ended") return h.app->ended() ? "1" : "0";
  if (name == "loginTime") return h.session().loginTime == h.clock.current ? "now" : "other";
  std::string text;
  if (name == "windows") {
    for (const auto& [window, id] : kWindows) text += h.ui.is_open(id) ? window + "|" : "";
  } else if (name == "menus") {
    for (const auto menu : h.ui.menus_shown) text += menu == core::MenuId::File ? "File|" : "Live|";
  } else if (name == "messages") {
    for (const auto& m : h.ui.messages) {
      text += (m.icon == core::MessageIcon::Critical ? "Critical " : "Information ") + m.caption +
              ": " + m.text + "|";
    }
  } else {
    std::visit(
        [&](auto* field) {
          if constexpr (std::is_same_v<decltype(field), std::string*>)
            text = *field;
          else
            text = std::to_string(*field);
        },
        kFields.at(name)(h));
  }
  return text;
}

void set_field(AppHarness& h, const std::string& name, const std::string& value) {
  std::visit(
      [&](auto* field) {
        if constexpr (std::is_same_v<decltype(field), std::string*>)
          *field = value;
        else
          *field = static_cast<std::remove_pointer_t<decltype(field)>>(std::stoi(value));
      },
      kFields.at(name)(h));
}

/// The text with "{mt4}" as the MT4 folder that start() saves and "{/}" as the separator.
[[nodiscard]] std::string expand(const AppHarness& h, std::string text) {
  for (std::size_t at; (at = text.find("{mt4}")) != std::string::npos;)
    text.replace(at, 5, h.mt4_folder);
  for (std::size_t at; (at = text.find("{/}")) != std::string::npos;)
    text.replace(at, 3, 1, core::kPathSeparator);
  return text;
}

void step(Script& s, const CaseRow& r) {
  AppHarness& h = s.h;
  const std::string& op = r[0];
  const auto arg = [&](std::size_t i, std::string fallback = "") {
    return expand(h, i < r.size() ? r[i] : fallback);
  };
  if (op[0] == '=') {
    EXPECT_EQ(printable(shown(s, op.substr(1))), printable(arg(1)));
  } else if (op[0] == '~') {
    const std::string text = shown(s, op.substr(1));
    EXPECT_NE(text.find(arg(1)), std::string::npos) << printable(text);
  } else if (op == "start") {
    h.start();
  } else if (op == "data") {
    h.write_data(r[1], arg(2));
  } else if (op == "no_data_folder") {
    fs::remove_all(h.data_folder);
  } else if (op == "adapters") {
    h.adapters.list = adapters_of(r[1]);
  } else if (op == "clock") {
    std::istringstream in(r[1]);
    auto& c = h.clock.current;
    in >> c.year >> c.month >> c.day >> c.hour >> c.minute >> c.second;
  } else if (op == "answer") {
    h.web.answer(r[1], arg(2));
  } else if (op == "fail") {
    h.web.answer(r[1], core::Error{r[2]});
  } else if (op == "set") {
    set_field(h, r[1], arg(2));
  } else if (op == "ceklist") {
    h.session().main.ceklist = unlisted(arg(1));
  } else if (op == "type") {  // e-mail, password, and the check box if given
    set_field(h, "txtUser", arg(1, "ann@example.com"));
    set_field(h, "txtPass", arg(2, "secret"));
    if (r.size() > 3) set_field(h, "chklogin", r[3]);
  } else if (op == "login") {  // the Login item, typing, and the Login button
    h.web.answer("/LumariLoginCheckAction.do", arg(1));
    h.app->FrmMainMdi_mnuFlSi_Click();
    step(s, CaseRow{"type", arg(2, "ann@example.com"), arg(3, "secret")});
    if (r.size() > 4) set_field(h, "chklogin", r[4]);
    h.app->frmLogin_cmdLogin_Click();
  } else if (op == "choose") {  // an entry, the check box, and Proceed on an "OK"
    set_field(h, "cmbsystem_text", r[1]);
    set_field(h, "chksys", r[2]);
    h.web.answer("/LumariLoginSelectSystemAction.do", std::string("OK"));
    h.app->FrmSys_CmdProcced_Click();
  } else if (op == "close") {
    h.app->window_closed(kWindows.at(r[1]));
  } else if (op == "mouse") {
    h.app->FrmMainMdi_Form_MouseMove(std::stoi(r[1]));
  } else if (op == "key") {  // key code, shift state, whether the box used it
    const bool used = h.app->frmLogin_txtPass_KeyDown(static_cast<std::int16_t>(std::stoi(r[1])),
                                                      static_cast<std::int16_t>(std::stoi(r[2])));
    EXPECT_EQ(used, r[3] == "1");
  } else if (op == "menu") {
    h.ui.menu_choices.push_back(kItems.at(r[1]));
  } else if (op == "dialog") {
    h.ui.dialog_results.push_back(arg(1) == "-" ? std::nullopt : std::optional(arg(1)));
  } else if (op == "fault") {  // operations on a data file fail: all, or Read or Write only
    const std::string op_name = arg(2);
    core::set_file_fault_hook([name = r[1], op_name](core::FileOp o, const std::string& path) {
      const bool kind = op_name.empty() || op_name == (o == core::FileOp::Read    ? "Read"
                                                       : o == core::FileOp::Write ? "Write"
                                                                                  : "");
      return kind && path.find(name) != std::string::npos;
    });
  } else if (op == "no_fault") {
    core::set_file_fault_hook(nullptr);
  } else if (op == "clear_calls") {
    h.ui.calls.clear();
  } else if (kEvents.count(op)) {
    (*h.app.*kEvents.at(op))();
  } else {
    ADD_FAILURE() << "unknown step " << op;
  }
}

void run_scripts(std::string_view cases) {
  std::unique_ptr<Script> script;
  std::string name;
  for (const CaseRow& row : case_rows(cases)) {
    if (row[0] == "case") {
      core::set_file_fault_hook(nullptr);
      script = std::make_unique<Script>();
      name = row.at(1);
      continue;
    }
    SCOPED_TRACE(name + ": " + printable(row[0] + (row.size() > 1 ? " " + row[1] : "")));
    step(*script, row);
  }
  core::set_file_fault_hook(nullptr);
}

TEST(Scripts, StartUp) { run_scripts(kCases_startup); }
TEST(Scripts, TrayMenu) { run_scripts(kCases_tray_menu); }
TEST(Scripts, SettingsWindow) { run_scripts(kCases_settings_window); }
TEST(Scripts, LoginAnswers) { run_scripts(kCases_login_answers); }
TEST(Scripts, LoginWindow) { run_scripts(kCases_login_window); }
TEST(Scripts, SavedLogin) { run_scripts(kCases_saved_login); }
TEST(Scripts, Selection) { run_scripts(kCases_selection); }

[[nodiscard]] std::string utf16le(std::string_view ascii) {
  std::string bytes = "\xFF\xFE";
  for (const char c : ascii) bytes += {c, '\0'};
  return bytes;
}

// Folders under a temporary root: "@" in a file's text is the installation
// Program Files/MT4, "^" the same in upper case with backslashes, which must
// name it too; the data folders are under Terminal.
TEST(ExchangeFolder, ResolvedAsTheTableSays) {
  std::unique_ptr<TempFolder> temp;
  std::string name;
  bool aged = true;
  for (const CaseRow& r : case_rows(kCases_exchange_folders)) {
    if (r[0] == "case") {
      temp = std::make_unique<TempFolder>(), name = r[1], aged = true;
      fs::create_directories(temp->path() / "Terminal");
      continue;
    }
    SCOPED_TRACE(name);
    const fs::path installation = temp->path() / "Program Files" / "MT4";
    const std::string pathname = installation.string() + core::kPathSeparator;
    const fs::path at = temp->path() / fs::path(r[1]).make_preferred();
    std::string text = r.size() > 2 ? r[2] : "";
    std::string upper = installation.string();
    for (char& c : upper) c = c == '/' ? '\\' : static_cast<char>(std::toupper(c));
    for (std::size_t i; (i = text.find_first_of("@^")) != std::string::npos;)
      text.replace(i, 1, text[i] == '@' ? installation.string() : upper);
    if (r[0] == "dir") fs::create_directories(at);
    if (r[0] == "file") write_bytes(at, text);
    if (r[0] == "utf16") write_bytes(at, utf16le(text));
    if (r[0] == "age") {  // Wine cannot set a folder's time: such a case runs natively only
      std::error_code error;
      fs::last_write_time(
          at, fs::file_time_type::clock::now() - std::chrono::seconds(std::stoi(text)), error);
      aged = aged && !error;
    }
    if (r[0] != "=" || !aged) continue;
    core::TerminalDataRoots terminals;
    terminals.roots = {(temp->path() / "Terminal").string()};
    const std::string pathname1 = core::exchange_folder_of(pathname);
    EXPECT_EQ(core::resolve_exchange_folder(pathname, pathname1, terminals),
              r[1] == "experts" ? pathname1 : at.string());
  }
}

TEST(ExchangeFolder, WinePrefixDataFoldersNameWindowsPaths) {
#ifdef _WIN32
  GTEST_SKIP() << "a Wine prefix is seen from the Linux side";
#endif
  TempFolder temp;
  const std::string prefix = (temp.path() / "wine").string();
  const std::string pathname = prefix + "/drive_c/Program Files/MT4/";
  const fs::path data =
      fs::path(prefix) / "drive_c/users/ann/AppData/Roaming/MetaQuotes/Terminal/0A1B";
  write_bytes(data / "origin.txt", utf16le("C:\\Program Files\\MT4"));
  fs::create_directories(data / "MQL4" / "Files");
  fs::create_directories(fs::path(prefix) / "drive_c/users/bob");
  const core::TerminalDataRoots terminals = core::wine_prefix_terminals(pathname);
  ASSERT_EQ(terminals.roots.size(), 1u);
  EXPECT_EQ(terminals.map_origin("D:\\x\\y"), prefix + "/dosdevices/d:/x/y");
  EXPECT_EQ(terminals.map_origin("relative"), "relative");
  EXPECT_EQ(core::resolve_exchange_folder(pathname, core::exchange_folder_of(pathname), terminals),
            (data / "MQL4" / "Files").string());
  EXPECT_TRUE(core::wine_prefix_terminals("/opt/mt4/").roots.empty());
}

int g_syncs = 0;
bool g_sync_ok = true;

TEST(FileIo, ReplacedFilesAreWholeDurableAndAlone) {
  TempFolder folder;
  const std::string log = folder.file("Lumari.log");
  write_bytes(log, "old\r\n");
  core::set_file_sync([](std::FILE*) { return ++g_syncs, g_sync_ok; });
  EXPECT_TRUE(core::replace_file(log, "new\r\n"));
  EXPECT_EQ(g_syncs, 1) << "made durable before the rename";
  g_sync_ok = false;
  const core::Status lost = core::replace_file(log, "lost\r\n");
  core::set_file_sync(nullptr);
  EXPECT_TRUE(!lost && lost.error().message.find("flush") != std::string::npos);
  EXPECT_EQ(read_bytes(log), "new\r\n") << "a file that did not reach the disk is not used";
  core::set_file_fault_hook([](core::FileOp op, auto&) { return op == core::FileOp::Rename; });
  EXPECT_FALSE(core::replace_file(log, "lost\r\n"));
  core::set_file_fault_hook(nullptr);
  EXPECT_EQ(read_bytes(log), "new\r\n");
  const std::string bytes("a\0b\xff\r\n", 6);
  EXPECT_TRUE(core::replace_file(log, bytes));
  EXPECT_EQ(read_bytes(log), bytes);
  EXPECT_EQ(folder_listing(folder.path()), "Lumari.log") << "no temporary file is left";
  // Lines of many lengths, a few megabytes in all, cross the writer's pieces at
  // every kind of place; one line is longer than a piece.
  std::vector<std::string> lines;
  for (std::size_t i = 0; lines.size() < 60000; ++i)
    lines.emplace_back(i % 97, static_cast<char>('a' + i % 26));
  lines.push_back(std::string(3u << 20, 'z'));
  lines.emplace_back();
  EXPECT_TRUE(core::replace_file_lines(log, {lines.begin(), lines.end()}));
  EXPECT_EQ(read_bytes(log), core::join_lines_crlf(lines));
  EXPECT_TRUE(core::replace_file_lines(log, {}));
  EXPECT_EQ(core::read_file(log).value(), "");
  EXPECT_FALSE(core::read_file(folder.file("none")));
  EXPECT_FALSE(core::file_exists(folder.file("none")));
  EXPECT_TRUE(core::append_file(folder.file("run.log"), "a\r\n"));
  EXPECT_TRUE(core::append_file(folder.file("run.log"), "b\r\n"));
  EXPECT_EQ(read_bytes(folder.file("run.log")), "a\r\nb\r\n");
}

}  // namespace
}  // namespace lumari::test
