#include "win32/settings_form.h"

#include "win32/control_ids.h"
#include "win32/controls.h"

namespace lumari::win32 {
namespace {

// The window's client area and its controls, in pixels at 96 DPI; every control
// is 21 pixels high.
constexpr Placement kClient{0, 0, 492, 104};
constexpr Placement kLabel1{8, 16, 97, 21};
constexpr Placement kMt4Location{112, 16, 289, 21};
constexpr Placement kCmdBrowse{408, 16, 81, 21};
constexpr Placement kCmdSave{160, 48, 79, 21};
constexpr Placement kCmdCancel{264, 48, 79, 21};
constexpr Placement kLabel2{40, 80, 433, 21};

constexpr char kExampleText[] =
    "MT4 Program Folder [Example: C:\\Program Files\\Broker_Name\\Terminal.exe]";

}  // namespace

bool SettingsForm::build() {
  const FormLook& look = host().look();
  const Placement client = look.from_pixels96(kClient);
  if (!create_form(kSettingsWindowClass, kSettingsCaption, client.width, client.height)) {
    return false;
  }
  const HFONT bold = look.bold_font();
  const HFONT regular = look.regular_font();
  const ControlLayout controls[] = {
      {"STATIC", "MT4 Location ?", SS_LEFT, 0, kIdSettingsLabel1, look.from_pixels96(kLabel1),
       bold},
      {"EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kIdMt4Location,
       look.from_pixels96(kMt4Location), regular},
      {"BUTTON", "Browse", WS_TABSTOP | BS_PUSHBUTTON, 0, kIdCmdBrowse,
       look.from_pixels96(kCmdBrowse), bold},
      {"BUTTON", "Save", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, kIdCmdSave, look.from_pixels96(kCmdSave),
       bold},
      {"BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, kIdSettingsCancel,
       look.from_pixels96(kCmdCancel), bold},
      {"STATIC", kExampleText, SS_LEFT | SS_NOPREFIX, 0, kIdSettingsLabel2,
       look.from_pixels96(kLabel2), regular},
  };
  for (const ControlLayout& layout : controls) {
    if (add_control(hwnd(), host().instance(), layout) == nullptr) return false;
  }
  // Paths may be longer than an edit box's default limit.
  SendMessageA(item(kIdMt4Location), EM_SETLIMITTEXT, 0, 0);
  return true;
}

void SettingsForm::fill(const core::Session& session) {
  if (!exists()) return;
  set_control_text(item(kIdMt4Location), session.settings.mt4location);
}

void SettingsForm::capture(core::Session& session) const {
  if (!exists()) return;
  session.settings.mt4location = control_text(item(kIdMt4Location));
}

void SettingsForm::on_command(int control_id, int notification) {
  if (notification != BN_CLICKED) return;
  switch (control_id) {
    case kIdCmdBrowse: raise([](core::App& app) { app.frmSettings_cmdBrowse_Click(); }); break;
    case kIdCmdSave: raise([](core::App& app) { app.frmSettings_cmdSave_Click(); }); break;
    case kIdSettingsCancel:
    case IDCANCEL:  // Escape
      raise([](core::App& app) { app.frmSettings_cmdCancel_Click(); });
      break;
    default: break;
  }
}

int SettingsForm::default_button() const { return kIdCmdSave; }

}  // namespace lumari::win32
