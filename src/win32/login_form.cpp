#include "win32/login_form.h"

#include <commctrl.h>

#include <cstdint>

#include "text/trim.h"
#include "win32/control_ids.h"
#include "win32/controls.h"
#include "win32/windows_clock.h"

namespace lumari::win32 {
namespace {

// The window's client area and its controls, in twips.
constexpr Placement kClientTwips{0, 0, 4365, 1440};
constexpr Placement kLabel1Twips{240, 120, 495, 195};
constexpr Placement kLabel2Twips{240, 480, 885, 195};
constexpr Placement kTxtUserTwips{1410, 120, 2415, 315};
constexpr Placement kTxtPassTwips{1410, 480, 2415, 315};
constexpr Placement kCmdLoginTwips{1440, 930, 975, 315};
constexpr Placement kCmdCancelTwips{2840, 930, 975, 315};
constexpr Placement kDtPickerDateTwips{240, 960, 495, 375};
constexpr Placement kDtPickerTimeTwips{1080, 960, 135, 375};
constexpr Placement kChkLoginTwips{3970, 110, 375, 375};

constexpr char kChkLoginTip[] = "Remember my e-mail address";
constexpr char kDateFormat[] = "yyyyMMdd";
constexpr char kTimeFormat[] = "HHmmss";
constexpr UINT_PTR kPasswordSubclassId = 1;
constexpr std::int16_t kEnterKeyCode = 13;
constexpr std::int16_t kAltShift = 4;
constexpr LPARAM kAltContextBit = LPARAM{1} << 29;

// Shift state as the key procedures take it: 1 Shift, 2 Ctrl, 4 Alt.
std::int16_t shift_state() {
  std::int16_t state = 0;
  if (GetKeyState(VK_SHIFT) < 0) state |= 1;
  if (GetKeyState(VK_CONTROL) < 0) state |= 2;
  if (GetKeyState(VK_MENU) < 0) state |= kAltShift;
  return state;
}

void set_picker(HWND picker, const core::DateTime& when) {
  // A picker cannot hold "no date"; an unset value leaves it as it is.
  if (picker == nullptr || when.year < 1601) return;
  SYSTEMTIME st = to_system_time(when);
  SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
}

void read_picker(HWND picker, core::DateTime& when) {
  SYSTEMTIME st{};
  if (picker == nullptr ||
      SendMessageA(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)) != GDT_VALID) {
    return;
  }
  when = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

// A tooltip on the control, the window's own: it goes with the window.
bool add_tooltip(HWND window, HWND control, const char* text) {
  const HWND tip =
      CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                      WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr, nullptr, nullptr);
  if (tip == nullptr) return false;
  TTTOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<char*>(text);
  return SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) != FALSE;
}

}  // namespace

bool LoginForm::build() {
  const FormLook& look = host().look();
  const Placement client = look.from_twips(kClientTwips);
  if (!create_form(kLoginWindowClass, kLoginCaption, client.width, client.height)) return false;

  const HFONT bold = look.bold_font();
  const HFONT regular = look.regular_font();
  // Created in tab order. The pickers only show the login's date and time, which
  // the login sets: the user can neither change nor tab to them.
  const ControlLayout controls[] = {
      {"STATIC", "Email", SS_LEFT, 0, kIdLabel1, look.from_twips(kLabel1Twips), bold},
      {"STATIC", "Password", SS_LEFT, 0, kIdLabel2, look.from_twips(kLabel2Twips), bold},
      {"EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kIdTxtUser,
       look.from_twips(kTxtUserTwips), regular},
      {"EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD, WS_EX_CLIENTEDGE, kIdTxtPass,
       look.from_twips(kTxtPassTwips), regular},
      {"BUTTON", "Login", WS_TABSTOP | BS_PUSHBUTTON, 0, kIdCmdLogin,
       look.from_twips(kCmdLoginTwips), bold},
      {"BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, kIdCmdCancel,
       look.from_twips(kCmdCancelTwips), bold},
      {DATETIMEPICK_CLASSA, "", WS_DISABLED | DTS_SHORTDATEFORMAT, 0, kIdDtPickerDate,
       look.from_twips(kDtPickerDateTwips), regular},
      {DATETIMEPICK_CLASSA, "", WS_DISABLED | DTS_TIMEFORMAT, 0, kIdDtPickerTime,
       look.from_twips(kDtPickerTimeTwips), regular},
      {"BUTTON", "", WS_TABSTOP | BS_AUTOCHECKBOX, 0, kIdChkLogin, look.from_twips(kChkLoginTwips),
       bold},
  };
  for (const ControlLayout& layout : controls) {
    if (add_control(hwnd(), host().instance(), layout) == nullptr) return false;
  }

  const HWND password = item(kIdTxtPass);
  SendMessageA(password, EM_SETPASSWORDCHAR, '*', 0);
  if (SetWindowSubclass(password, &LoginForm::password_proc, kPasswordSubclassId,
                        reinterpret_cast<DWORD_PTR>(this)) == FALSE) {
    return false;
  }
  SendMessageA(item(kIdDtPickerDate), DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>(kDateFormat));
  SendMessageA(item(kIdDtPickerTime), DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>(kTimeFormat));
  // The check box has no caption of its own.
  return add_tooltip(hwnd(), item(kIdChkLogin), kChkLoginTip);
}

HWND LoginForm::first_focus() const {
  // A blank is no address.
  const bool remembered = !core::trimmed(control_text(item(kIdTxtUser))).empty();
  return item(remembered ? kIdTxtPass : kIdTxtUser);
}

void LoginForm::log_in(const AppEvent& login) {
  raise(login);
  if (!exists()) return;
  const HWND password = item(kIdTxtPass);
  SendMessageA(password, EM_SETSEL, 0, -1);
  focus_on(password);
}

void LoginForm::fill(const core::Session& session) {
  if (!exists()) return;
  const core::LoginControls& controls = session.login.controls;
  set_control_text(item(kIdTxtUser), controls.txtUser);
  set_control_text(item(kIdTxtPass), controls.txtPass);
  set_checked(item(kIdChkLogin), controls.chklogin != 0);
  set_picker(item(kIdDtPickerDate), controls.DTPickerDate);
  set_picker(item(kIdDtPickerTime), controls.DTPickerTime);
}

void LoginForm::capture(core::Session& session) const {
  if (!exists()) return;
  core::LoginControls& controls = session.login.controls;
  controls.txtUser = control_text(item(kIdTxtUser));
  controls.txtPass = control_text(item(kIdTxtPass));
  controls.chklogin = is_checked(item(kIdChkLogin)) ? 1 : 0;
  read_picker(item(kIdDtPickerDate), controls.DTPickerDate);
  read_picker(item(kIdDtPickerTime), controls.DTPickerTime);
}

void LoginForm::on_command(int control_id, int notification) {
  if (notification != BN_CLICKED) return;
  switch (control_id) {
    case kIdCmdLogin: log_in([](core::App& app) { app.frmLogin_cmdLogin_Click(); }); break;
    case kIdCmdCancel: raise([](core::App& app) { app.frmLogin_cmdCancel_Click(); }); break;
    default: break;  // Enter and Escape reach here as IDOK and IDCANCEL: no default buttons.
  }
}

LRESULT CALLBACK LoginForm::password_proc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam,
                                          UINT_PTR subclass_id, DWORD_PTR self) {
  try {
    switch (message) {
      case WM_GETDLGCODE: {
        // The message loop's keyboard handling would turn Enter into IDOK; the
        // box takes it instead.
        const auto* key = reinterpret_cast<const MSG*>(lparam);
        if (key != nullptr && (key->message == WM_KEYDOWN || key->message == WM_SYSKEYDOWN) &&
            key->wParam == VK_RETURN) {
          return DLGC_WANTALLKEYS | DefSubclassProc(edit, message, wparam, lparam);
        }
        break;
      }
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:  // Enter with Alt held arrives as a system key
        if (wparam == VK_RETURN) {
          std::int16_t shift = shift_state();
          // The key's context code says Alt was down, even when the key state
          // has not seen it.
          if (message == WM_SYSKEYDOWN && (lparam & kAltContextBit) != 0) shift |= kAltShift;
          // The login may close the window, and this box with it: nothing here
          // touches the box afterwards.
          reinterpret_cast<LoginForm*>(self)->log_in([shift](core::App& app) {
            (void)app.frmLogin_txtPass_KeyDown(kEnterKeyCode, shift);
          });
          return 0;
        }
        break;
      case WM_CHAR:
      case WM_SYSCHAR:
        // No beep, and no menu, for the Enter already handled.
        if (wparam == '\r') return 0;
        break;
      case WM_NCDESTROY: RemoveWindowSubclass(edit, &LoginForm::password_proc, subclass_id); break;
      default: break;
    }
  } catch (...) {
    // Nothing may leave a window procedure.
  }
  return DefSubclassProc(edit, message, wparam, lparam);
}

}  // namespace lumari::win32
