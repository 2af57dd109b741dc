// Text helpers, account records, machine identity, exchange folders and file
// writing: each behaviour a table of function rows or of folders and files.
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

[[nodiscard]] std::string shortest(double value) {
  char text[64];
  return {text, std::to_chars(text, text + sizeof text, value + 0.0).ptr};
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
