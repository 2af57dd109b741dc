// Text helpers, account records, settings, start-up, tray menu and windows: each
// behaviour a case table of function rows or of scripts run on a program over fakes.
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
  std::istringstream in{std::string(text)};
  for (std::string item; std::getline(in, item, '|');) items.push_back(item);
  return items;
}

[[nodiscard]] std::string shortest(double value) {
  char text[64];
  return {text, std::to_chars(text, text + sizeof text, value + 0.0).ptr};
}

/// "3 1 6=000c29 71=0a" is a count of 3, read, an Ethernet and a type-71 adapter.
[[nodiscard]] core::AdapterList adapters_of(std::string_view text) {
  core::AdapterList list;
  std::istringstream in{std::string(text)};
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

const std::map<std::string, std::function<std::string(const CaseRow&)>> kFunctions = {
    {"trim", [](auto& r) { return std::string(core::trim_spaces(r[1])); }},
    {"number", [](auto& r) { return shortest(core::lenient_number(r[1])); }},
    {"round", [](auto& r) { return std::to_string(core::round_half_even(std::stod(r[1]))); }},
    {"number_text", [](auto& r) { return core::number_text(std::stod(r[1])); }},
    {"sign_blank", [](auto& r) { return core::sign_blank_text(std::stoll(r[1])); }},
    {"split_lines", [](auto& r) { return listed(core::split_lines(r[1])); }},
    {"join_lines", [](auto& r) { return core::join_lines_crlf(unlisted(r[1])); }},
    {"encode", [](auto& r) { return core::percent_encode(r[1]); }},
    {"decode", [](auto& r) { return core::percent_decode(r[1]).value_or("<none>"); }},
    {"join_path", [](auto& r) { return core::join_path(r[1], r[2]); }},
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
    {"mt4_folder", [](auto& r) { return core::mt4_folder_of(r[1]).value_or("<none>"); }},
    {"identity",
     [](auto& r) {
       FakeAdapters adapters;
       adapters.list = adapters_of(r[1]);
       std::string loginid = "previous";
       return listed({core::GetMachineIdentity(adapters, loginid), loginid});
     }},
};

// "{/}" in a field is the path separator.
void check_functions(std::string_view cases) {
  for (CaseRow row : case_rows(cases)) {
    for (auto& field : row)
      field = with_values(field, {{"{/}", std::string(1, core::kPathSeparator)}});
    SCOPED_TRACE(printable(row[0] + " " + row[1]));
    EXPECT_EQ(printable(kFunctions.at(row[0])(row)), printable(row.back()));
  }
}

TEST(Tables, RowsGiveTheirTexts) {
  for (const auto table : {kCases_text_helpers, kCases_account_records, kCases_machine_identity})
    check_functions(table);
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(core::percent_decode(core::percent_encode(all)), all);
}

// A script runs on one program: steps act on it, "=name" rows check what it shows
// byte for byte and "~name" rows that it holds a text.
using Ref = std::variant<std::string*, int*, bool*, std::int16_t*>;
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
    S("recText", recText), S("installCheck", installCheck),
    {"timer", [](AppHarness& h) -> Ref { return &h.ui.timer_enabled; }},
    {"tray", [](AppHarness& h) -> Ref { return &h.ui.tray_icon; }},
    {"ended", [](AppHarness& h) -> Ref { return &h.ui.ended; }}};
// clang-format on
#undef S

/// The field's text, after setting it to the value when one is given.
[[nodiscard]] std::string field(AppHarness& h, const std::string& name,
                                const std::string* value = nullptr) {
  return std::visit(
      [&](auto* f) -> std::string {
        using T = std::remove_pointer_t<decltype(f)>;
        if constexpr (std::is_same_v<T, std::string>)
          return value ? (*f = *value) : *f;
        else
          return std::to_string(value ? (*f = static_cast<T>(std::stoi(*value))) : *f);
      },
      kFields.at(name)(h));
}

#define EVENT(name) \
  { #name, &core::App::name }
const std::map<std::string, void (core::App::*)()> kEvents = {
    EVENT(FrmMainMdi_Form_Load),      EVENT(FrmMainMdi_Form_Unload),
    EVENT(FrmMainMdi_mnuFlSi_Click),  EVENT(FrmMainMdi_mnuflset_Click),
    EVENT(FrmMainMdi_mnuflex_Click),  EVENT(FrmMainMdi_mnulvSo_Click),
    EVENT(FrmMainMdi_mnulvset_Click), EVENT(frmLogin_cmdLogin_Click),
    EVENT(frmLogin_cmdCancel_Click),  EVENT(LoadSavedLogin),
    EVENT(FrmSys_CmdProcced_Click),   EVENT(frmSettings_cmdBrowse_Click),
    EVENT(frmSettings_cmdSave_Click), EVENT(frmSettings_cmdCancel_Click)};
#undef EVENT

const std::map<std::string, WindowId> kWindows = {{"Login", WindowId::Login},
                                                  {"Selection", WindowId::Selection},
                                                  {"Settings", WindowId::Settings}};

[[nodiscard]] std::string shown(AppHarness& h, const std::string& name) {
  const std::string arg = name.substr(name.find(':') + 1);
  if (name.starts_with("data:")) return h.has_data(arg) ? h.data(arg) : "<absent>";
  if (name.starts_with("exchange:")) return h.has_exchange(arg) ? h.exchange(arg) : "<absent>";
  if (name.starts_with("count:")) return std::to_string(h.ui.count_calls(arg));
  if (name == "calls") return listed(h.ui.calls);
  if (name == "requests") return listed(h.web.requested);
  if (name == "clients") return std::to_string(h.web.clients_made);
  if (name == "ceklist") return listed(h.session().main.ceklist);
  if (name == "cmbsystem") return listed(h.session().selection.controls.cmbsystem);
  if (name == "adapter_reads") return std::to_string(h.adapters.calls);
  if (name == "app.ended") return h.app->ended() ? "1" : "0";
  if (name == "loginTime") return h.session().loginTime == h.clock.current ? "now" : "other";
  if (kFields.count(name)) return field(h, name);
  std::string text;
  for (const auto& [window, id] : kWindows) text += h.ui.is_open(id) ? window + "|" : "";
  if (name == "windows") return text;
  text.clear();
  for (const auto& m : h.ui.messages)
    text += (m.icon == core::MessageIcon::Critical ? "Critical " : "Information ") + m.caption +
            ": " + m.text + "|";
  EXPECT_EQ(name, "messages");
  return text;
}

void step(AppHarness& h, const CaseRow& r) {
  const std::string& op = r[0];
  // Arguments with "{mt4}" as the MT4 folder that start() saves and "{/}" as the separator.
  const auto arg = [&](std::size_t i) {
    return with_values(i < r.size() ? r[i] : "",
                       {{"{mt4}", h.mt4_folder}, {"{/}", std::string(1, core::kPathSeparator)}});
  };
  const std::string a1 = arg(1), a2 = arg(2);
  if (op[0] == '=' || op[0] == '~') {
    const std::string text = shown(h, op.substr(1));
    const bool holds = op[0] == '=' ? text == a1 : text.find(a1) != std::string::npos;
    EXPECT_TRUE(holds) << "shows " << printable(text) << ", not " << printable(a1);
    return;
  }
  if (op == "start") return h.start();
  if (op == "data") return h.write_data(a1, a2);
  if (op == "no_data_folder") return static_cast<void>(fs::remove_all(h.data_folder));
  if (op == "adapters") return static_cast<void>(h.adapters.list = adapters_of(a1));
  if (op == "answer") return h.web.answer(a1, a2);
  if (op == "fail") return h.web.answer(a1, core::Error{a2});
  if (op == "set") return static_cast<void>(field(h, a1, &a2));
  if (op == "ceklist") return static_cast<void>(h.session().main.ceklist = unlisted(a1));
  if (op == "close") return h.app->window_closed(kWindows.at(a1));
  if (op == "mouse") return h.app->FrmMainMdi_Form_MouseMove(std::stoi(a1));
  if (op == "menu_setting") return h.ui.menu_choices.push_back(core::MenuItem::mnuflset);
  if (op == "dialog")
    return h.ui.dialog_results.push_back(a1 == "-" ? std::nullopt : std::optional(a1));
  if (op == "no_fault") return core::set_file_fault_hook(nullptr);
  if (op == "clear_calls") return h.ui.calls.clear();
  if (kEvents.count(op)) return (*h.app.*kEvents.at(op))();
  if (op == "clock") {
    std::istringstream in(a1);
    auto& c = h.clock.current;
    in >> c.year >> c.month >> c.day >> c.hour >> c.minute >> c.second;
  } else if (op == "key") {  // key code, shift state, whether the box used it
    const bool used =
        h.app->frmLogin_txtPass_KeyDown(std::int16_t(std::stoi(a1)), std::int16_t(std::stoi(a2)));
    EXPECT_EQ(used, r[3] == "1");
  } else if (op == "fault") {  // operations on a data file fail: all, or Read or Write only
    core::set_file_fault_hook([a1, a2](core::FileOp o, const std::string& path) {
      const char* kind = o == core::FileOp::Read ? "Read" : o == core::FileOp::Write ? "Write" : "";
      return (a2.empty() || a2 == kind) && path.find(a1) != std::string::npos;
    });
  } else {
    ADD_FAILURE() << "unknown step " << op;
  }
}

void run_scripts(std::string_view cases) {
  std::unique_ptr<AppHarness> h;
  std::string name;
  for (const CaseRow& row : case_rows(cases)) {
    if (row[0] == "case") {
      core::set_file_fault_hook(nullptr);
      h = std::make_unique<AppHarness>(), name = row.at(1);
      // What the logged-in flag is while a message box is open, among the calls.
      h->ui.while_message_open = [&ui = h->ui, &s = h->session()](const ShownMessage&) {
        ui.calls.push_back("swlogin " + std::to_string(s.main.swlogin));
      };
      continue;
    }
    SCOPED_TRACE(name + ": " + printable(row[0] + (row.size() > 1 ? " " + row[1] : "")));
    step(*h, row);
  }
  core::set_file_fault_hook(nullptr);
}

TEST(Scripts, RunAsTheTablesSay) {
  for (const auto table :
       {kCases_startup, kCases_tray_menu, kCases_settings_window, kCases_login_answers,
        kCases_login_window, kCases_saved_login, kCases_selection})
    run_scripts(table);
}

[[nodiscard]] std::string utf16le(std::string_view ascii) {
  std::string bytes = "\xFF\xFE";
  for (const char c : ascii) bytes += {c, '\0'};
  return bytes;
}

// Folders under a temporary root: "@" in a file's text is the installation, "^"
// the same in upper case with backslashes; the data folders are under Terminal,
// or for a case marked "wine" those of the Wine prefix the installation is in.
TEST(ExchangeFolder, ResolvedAsTheTableSays) {
  std::unique_ptr<TempFolder> temp;
  std::string name;
  bool runs = true, wine = false, codepage = false;
  for (const CaseRow& r : case_rows(kCases_exchange_folders)) {
    if (r[0] == "case") {
      temp = std::make_unique<TempFolder>(), name = r[1];
      wine = r.size() > 2 && r[2] == "wine", codepage = r.size() > 2 && r[2] == "codepage";
      // A Wine prefix is seen from the Linux side only.
      runs = !wine || core::kPathSeparator == '/';
      fs::create_directories(temp->path() / "Terminal");
      continue;
    }
    SCOPED_TRACE(name);
    fs::path installation = temp->path() / (wine ? "wine/drive_c/" : "") / "Program Files/MT4";
    const std::string pathname = installation.make_preferred().string() + core::kPathSeparator;
    const fs::path at = temp->path() / fs::path(r[1]).make_preferred();
    std::string upper = installation.string();
    for (char& c : upper) c = c == '/' ? '\\' : static_cast<char>(std::toupper(c));
    const std::string text = with_values(
        r.size() > 2 ? r[2] : "",
        {{"@", installation.string()}, {"^", upper}, {"{root}", temp->path().string()}});
    if (r[0] == "dir") fs::create_directories(at);
    if (r[0] == "file") write_bytes(at, text);
    if (r[0] == "utf16") write_bytes(at, utf16le(text));
    if (r[0] == "age") {  // Wine cannot set a folder's time: such a case runs natively only
      std::error_code error;
      fs::last_write_time(
          at, fs::file_time_type::clock::now() - std::chrono::seconds(std::stoi(text)), error);
      runs = runs && !error;
    }
    if (!runs || r[0] == "dir" || r[0] == "file" || r[0] == "utf16" || r[0] == "age") continue;
    core::TerminalDataRoots terminals;
    terminals.roots = {(temp->path() / "Terminal").string()};
    if (wine) terminals = core::wine_prefix_terminals(pathname);
    if (codepage) {  // one byte per UTF-16 unit below 0x100, "?" for the others
      terminals.from_utf16 = [](std::u16string_view units) {
        std::string bytes;
        for (const char16_t u : units) bytes += u < 0x100 ? static_cast<char>(u) : '?';
        return bytes;
      };
    }
    const std::string pathname1 = core::exchange_folder_of(pathname);
    const std::string found = r[0] == "roots"    ? std::to_string(terminals.roots.size())
                              : r[0] == "origin" ? terminals.map_origin(r[1])
                              : r[0] == "read"   ? core::origin_path(at.string(), terminals)
                              : r[0] == "same"
                                  ? (core::same_folder(r[1], text) ? text : "another folder")
                                  : core::resolve_exchange_folder(pathname, pathname1, terminals);
    EXPECT_EQ(found, r[0] != "=" ? text : r[1] == "experts" ? pathname1 : at.string());
  }
  EXPECT_TRUE(core::wine_prefix_terminals("/opt/mt4/").roots.empty());
}

int g_syncs = 0;

TEST(FileIo, ReplacedFilesAreWholeDurableAndAlone) {
  TempFolder folder;
  const std::string log = folder.file("Lumari.log");
  write_bytes(log, "old\r\n");
  core::set_file_sync([](std::FILE*) { return ++g_syncs == 1; });  // the second fails
  EXPECT_TRUE(core::replace_file(log, "new\r\n"));
  EXPECT_EQ(g_syncs, 1) << "made durable before the rename";
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
