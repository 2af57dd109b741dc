// The trade system selection window FrmSys: the account's systems from
// systemp.dat, the remembered choice, and Proceed, which starts following.
#include <algorithm>

#include "account/saved_login.h"
#include "account/system_line.h"
#include "shell/app.h"
#include "shell/data_folder.h"
#include "text/line_file.h"
#include "text/url_encode.h"

namespace lumari::core {

void App::FrmSys_Form_Load() {
  SelectionControls& controls = session_.selection.controls;
  if (const auto lines = read_lines(data_file(kSystemsFile))) {
    for (const auto& line : *lines) {
      // A system name that ended in a line break (the last one of an answer
      // without a final ";") leaves an empty line after its own: no system.
      if (line.empty()) continue;
      SplitSystemLine(line, session_.spsysid, session_.spsysname);
      controls.cmbsystem.push_back(session_.spsysid + " " + session_.spsysname);
      if (controls.cmbsystem.size() == 1) controls.cmbsystem_text = controls.cmbsystem.front();
    }
  }

  // The first selection record of this account preselects its entry, when the
  // entry is still one of the account's systems.
  bool found = false;
  SavedRecordFields fields;
  for (const auto& record : session_.main.ceklist) {
    if (!ParseSavedRecord(record, fields) || fields.kind != kSelectionRecordKind) continue;
    const auto [name, marker] = split_marker(fields.text);
    if (marker != session_.chkmark) continue;
    if (std::find(controls.cmbsystem.begin(), controls.cmbsystem.end(), name) ==
        controls.cmbsystem.end()) {
      continue;
    }
    controls.cmbsystem_text = std::string(name);
    controls.chksys = check_value_of(fields.flag);
    found = true;
    break;
  }
  if (!found || controls.chksys == 0) {
    controls.cmbsystem_text = controls.cmbsystem.empty() ? "" : controls.cmbsystem.front();
    controls.chksys = 0;
  }
}

void App::FrmSys_CmdProcced_Click() {
  SelectionWindowState& selection = session_.selection;
  const std::string id = system_id_of_entry(selection.controls.cmbsystem_text);
  if (!selection.web) selection.web = ports_.web_clients();
  const std::string url =
      session_.main.host +
      "/LumariLoginSelectSystemAction.do?email=" + percent_encode(session_.loginEmail) +
      "&password=" + percent_encode(session_.loginPassword) + "&systemid=" + percent_encode(id) +
      "&loginid=" + percent_encode(session_.loginid);
  // The answer's text is not examined; only a request that brought none back
  // stops the selection, since the service then never heard of the choice.
  if (const auto answer = selection.web->get(url); !answer) {
    message("Login Error\r\nThe service could not be reached (" + answer.error().message + ").",
            MessageIcon::Critical);
    return;
  }
  session_.systemid = id;
  load_fetcher_window();
  StartFetch();
  session_.main.swlogin = 1;
  unload_window(WindowId::Selection);
}

void App::FrmSys_Form_Unload() {
  const SelectionControls& controls = session_.selection.controls;
  auto& ceklist = session_.main.ceklist;
  const std::string record = std::string(kSelectionRecordKind) + ";" +
                             std::to_string(controls.chksys) + ";" + controls.cmbsystem_text +
                             session_.chkmark;
  // This account's selection record is replaced by the new one at the end.
  for (auto it = ceklist.begin(); it != ceklist.end(); ++it) {
    if (!split_saved_record(*it)) continue;
    if (session_.recKind == kSelectionRecordKind &&
        split_marker(session_.recText).marker == session_.chkmark) {
      ceklist.erase(it);
      break;
    }
  }
  ceklist.push_back(record);
  write_saved_logins();
  ceklist.clear();
}

}  // namespace lumari::core
