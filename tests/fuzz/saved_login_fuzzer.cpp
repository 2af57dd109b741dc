// The saved login records in chklogin.dat, on any bytes: the record split and its
// helpers, then the file through the program: loaded into the login window, the
// login record saved at a login, the remembered system preselected and the
// selection record stored at the selection window's unload, each step checked
// against the same step done plainly on a list of lines.
//
// Input: one option byte (bit 0: tick "remember" before the login; bit 1: an
// account with two systems; bit 2: proceed with the selection instead of
// closing it), then the bytes of chklogin.dat.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "account/saved_login.h"
#include "account/system_line.h"
#include "fuzz_support.h"
#include "shell/data_folder.h"
#include "support/app_harness.h"
#include "text/lenient_number.h"
#include "text/line_file.h"

namespace {

using namespace lumari;
using test::fuzz::require;

const std::string kLoginPath = "/LumariLoginCheckAction.do";
const std::string kSelectPath = "/LumariLoginSelectSystemAction.do";
const std::vector<std::string> kTwoEntries = {"12 Alpha", "15 Beta Fund"};
constexpr std::string_view kMarker = "4";  // last character of the user id 1234

struct Fields {
  std::string kind;
  std::string flag;
  std::string text;
};

// The split done field by field: text before the first ";", then before the
// next, then all that is left; a line of one character or none is not split.
std::optional<Fields> split_plainly(std::string_view line) {
  if (line.size() < 2) return std::nullopt;
  Fields fields;
  std::string rest(line);
  for (std::string* field : {&fields.kind, &fields.flag}) {
    const std::size_t p = rest.find(';');
    *field = rest.substr(0, p);
    if (p != std::string::npos) rest = rest.substr(p + 1);
  }
  fields.text = rest;
  return fields;
}

void check_record_helpers(std::string_view line) {
  core::SavedRecordFields fields{"k", "f", "t"};
  const bool split = core::ParseSavedRecord(line, fields);
  const auto expected = split_plainly(line);
  require(split == expected.has_value(), "records of two characters or more are split", line);
  if (!split) {
    require(fields.kind == "k" && fields.flag == "f" && fields.text == "t",
            "a short record leaves the fields alone", line);
  } else {
    require(fields.kind == expected->kind && fields.flag == expected->flag &&
                fields.text == expected->text,
            "kind, flag and text as split field by field", line);
  }
  const auto [entry, marker] = core::split_marker(line);
  require(marker.size() == (line.empty() ? 0u : 1u), "the marker is the last character", line);
  require(std::string(entry) + std::string(marker) == line, "entry and marker make the text", line);
  const int value = core::check_value_of(line);
  require(value == (core::round_half_even(core::lenient_number(line)) == 1 ? 1 : 0),
          "a check value is 1 only for a flag that rounds to 1", line);
}

// ceklist as the program keeps it, with the procedures done plainly.
struct SavedList {
  std::vector<std::string> records;

  static SavedList from_file(std::string_view bytes) {
    SavedList list;
    for (auto& line : core::split_lines(bytes)) {
      if (!line.empty()) list.records.push_back(std::move(line));
    }
    return list;
  }

  [[nodiscard]] std::string file() const { return core::join_lines_crlf(records); }

  // The first record of the kind (and marker, for selection records).
  [[nodiscard]] std::optional<std::size_t> first(std::string_view kind,
                                                 bool with_marker = false) const {
    for (std::size_t i = 0; i < records.size(); ++i) {
      const auto fields = split_plainly(records[i]);
      if (!fields || fields->kind != kind) continue;
      if (with_marker && core::split_marker(fields->text).marker != kMarker) continue;
      return i;
    }
    return std::nullopt;
  }

  void replace(std::optional<std::size_t> at, std::string record) {
    if (at) records.erase(records.begin() + static_cast<std::ptrdiff_t>(*at));
    records.push_back(std::move(record));
  }
};

void check_program(std::uint8_t flags, std::string_view file) {
  const bool remember = (flags & 1) != 0;
  const bool two_systems = (flags & 2) != 0;
  const bool proceed = (flags & 4) != 0;

  test::AppHarness h;
  h.start();
  h.write_data(core::kSavedLoginFile, file);
  core::Session& session = h.session();
  const auto& controls = session.login.controls;

  // Loading: the first login record fills the window.
  h.app->FrmMainMdi_mnuFlSi_Click();
  SavedList list = SavedList::from_file(file);
  require(session.main.ceklist == list.records, "ceklist holds the file's records", file);
  std::string shown_user = " ";
  int shown_check = 0;
  if (const auto at = list.first(core::kLoginRecordKind)) {
    const auto fields = split_plainly(list.records[*at]);
    shown_user = fields->text;
    shown_check = core::check_value_of(fields->flag);
  }
  require(controls.txtUser == shown_user && controls.chklogin == shown_check,
          "the login window shows the first login record", file);

  // Saving at a login: the first login record is replaced by one at the end.
  session.login.controls.txtUser = " ann@example.com ";
  session.login.controls.txtPass = "secret";
  if (remember) session.login.controls.chklogin = 1;
  const int check = controls.chklogin;
  h.web.answer(kLoginPath,
               std::string(two_systems ? "1234;12;Alpha;15;Beta Fund" : "1234;11;Alpha"));
  h.app->frmLogin_cmdLogin_Click();
  if (!two_systems) list.records.clear();
  list.replace(list.first(core::kLoginRecordKind),
               core::login_record(check, check != 0 ? "ann@example.com" : " "));
  require(h.data(core::kSavedLoginFile) == list.file(), "chklogin.dat after the login", file);

  if (two_systems) {
    // The selection window preselects the entry of this account's first
    // selection record that names an offered system, when it was kept ticked.
    const auto& choice = session.selection.controls;
    require(choice.cmbsystem == kTwoEntries, "the account's systems are listed", file);
    std::string chosen = kTwoEntries.front();
    int remembered = 0;
    for (const auto& record : list.records) {
      const auto fields = split_plainly(record);
      if (!fields || fields->kind != core::kSelectionRecordKind) continue;
      const auto [entry, marker] = core::split_marker(fields->text);
      if (marker != kMarker || (entry != kTwoEntries[0] && entry != kTwoEntries[1])) continue;
      if (core::check_value_of(fields->flag) == 1) {
        chosen = std::string(entry);
        remembered = 1;
      }
      break;
    }
    require(choice.cmbsystem_text == chosen && choice.chksys == remembered,
            "the remembered system is preselected when it was kept ticked", file);
    const std::string shown = choice.cmbsystem_text;
    const int kept = choice.chksys;
    if (proceed) {
      h.web.answer(kSelectPath, std::string("OK"));
      h.app->FrmSys_CmdProcced_Click();
      require(session.systemid == core::system_id_of_entry(shown) && session.main.swlogin == 1,
              "Proceed follows the chosen system", file);
    } else {
      h.app->window_closed(core::WindowId::Selection);
    }
    list.replace(list.first(core::kSelectionRecordKind, true),
                 "2;" + std::to_string(kept) + ";" + shown + std::string(kMarker));
    require(h.data(core::kSavedLoginFile) == list.file(), "chklogin.dat after the selection", file);
    require(session.main.ceklist.empty(), "the selection's unload empties ceklist", file);
  }

  // What was saved loads back.
  h.app->FrmMainMdi_mnuFlSi_Click();
  const SavedList reread = SavedList::from_file(h.data(core::kSavedLoginFile));
  require(session.main.ceklist == reread.records, "ceklist holds the saved records", file);
  const auto at = reread.first(core::kLoginRecordKind);
  require(at.has_value(), "a login record is always saved", file);
  const auto fields = split_plainly(reread.records[*at]);
  require(
      controls.txtUser == fields->text && controls.chklogin == core::check_value_of(fields->flag),
      "the saved login record loads back", file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [flags, file] = test::fuzz::take_flags(test::fuzz::as_text(data, size));
  check_record_helpers(file);
  for (const auto& line : core::split_lines(file)) check_record_helpers(line);
  check_program(flags, file);
  return 0;
}
