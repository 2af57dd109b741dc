#include "win32/selection_form.h"

#include "win32/control_ids.h"
#include "win32/controls.h"

namespace lumari::win32 {
namespace {

// A small layout in the manner of the login window, in pixels at 96 DPI.
constexpr Placement kClient{0, 0, 300, 88};
constexpr Placement kLblSys{16, 19, 56, 13};
constexpr Placement kCmbSystem{80, 16, 177, 160};  // the height includes the drop-down list
constexpr Placement kChkSys{268, 15, 21, 21};
constexpr Placement kCmdProcced{110, 52, 79, 23};

}  // namespace

bool SelectionForm::build() {
  const FormLook& look = host().look();
  const Placement client = look.from_pixels96(kClient);
  if (!create_form(kSelectionWindowClass, kSelectionCaption, client.width, client.height)) {
    return false;
  }
  shown_entries_.clear();
  const ControlLayout controls[] = {
      {"STATIC", "System", SS_LEFT, 0, kIdLblSys, look.from_pixels96(kLblSys), look.bold_font()},
      {"COMBOBOX", "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, kIdCmbSystem,
       look.from_pixels96(kCmbSystem), look.regular_font()},
      {"BUTTON", "", WS_TABSTOP | BS_AUTOCHECKBOX, 0, kIdChkSys, look.from_pixels96(kChkSys),
       look.bold_font()},
      {"BUTTON", "Proceed", WS_TABSTOP | BS_PUSHBUTTON, 0, kIdCmdProcced,
       look.from_pixels96(kCmdProcced), look.bold_font()},
  };
  for (const ControlLayout& layout : controls) {
    if (add_control(hwnd(), host().instance(), layout) == nullptr) return false;
  }
  return true;
}

void SelectionForm::fill(const core::Session& session) {
  if (!exists()) return;
  const core::SelectionControls& controls = session.selection.controls;
  const HWND list = item(kIdCmbSystem);
  if (shown_entries_ != controls.cmbsystem) {
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : controls.cmbsystem) {
      SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
    shown_entries_ = controls.cmbsystem;
  }
  // The list's own search ignores case; the chosen entry is found exactly.
  LRESULT chosen = CB_ERR;
  for (std::size_t i = 0; i < shown_entries_.size(); ++i) {
    if (shown_entries_[i] == controls.cmbsystem_text) {
      chosen = static_cast<LRESULT>(i);
      break;
    }
  }
  if (SendMessageA(list, CB_GETCURSEL, 0, 0) != chosen) {
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
  }
  set_checked(item(kIdChkSys), controls.chksys != 0);
}

void SelectionForm::capture(core::Session& session) const {
  if (!exists()) return;
  core::SelectionControls& controls = session.selection.controls;
  const LRESULT chosen = SendMessageA(item(kIdCmbSystem), CB_GETCURSEL, 0, 0);
  if (chosen >= 0 && static_cast<std::size_t>(chosen) < shown_entries_.size()) {
    controls.cmbsystem_text = shown_entries_[static_cast<std::size_t>(chosen)];
  }
  controls.chksys = is_checked(item(kIdChkSys)) ? 1 : 0;
}

void SelectionForm::on_command(int control_id, int notification) {
  if (control_id == kIdCmdProcced && notification == BN_CLICKED) {
    raise([](core::App& app) { app.FrmSys_CmdProcced_Click(); });
  }
}

}  // namespace lumari::win32
