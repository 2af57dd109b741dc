#include "win32/form.h"

#include <commctrl.h>

#include <cstring>

#include "win32/controls.h"

namespace lumari::win32 {
namespace {

// Fixed border with a caption, a system menu and a minimise box: small windows
// that are not resized.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;

// Labels and check boxes stand on the blue background; text boxes, lists and
// buttons keep the system colours.
bool on_blue(HWND control) {
  char class_name[16] = {};
  GetClassNameA(control, class_name, sizeof class_name);
  return lstrcmpiA(class_name, "Static") == 0 || lstrcmpiA(class_name, "Button") == 0;
}

// The control notices that tell of a change by the user: text typed into a box
// or a combo box, a choice in a combo box, a click on a check box.
bool is_change(WORD notification) {
  return notification == EN_CHANGE || notification == CBN_EDITCHANGE ||
         notification == CBN_SELCHANGE || notification == BN_CLICKED;
}

}  // namespace

bool Form::create_form(const char* class_name, const char* caption, int client_width,
                       int client_height) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExA(host_.instance(), class_name, &existing) == FALSE) {
    const FormLook& look = host_.look();
    if (!register_class(host_.instance(), class_name, look.blue_brush(), look.large_icon(),
                        look.small_icon())) {
      return false;
    }
  }
  const Placement place = centred_window(kFormStyle, kFormExStyle, client_width, client_height);
  WindowLayout layout;
  layout.class_name = class_name;
  layout.caption = caption;
  layout.style = kFormStyle;
  layout.ex_style = kFormExStyle;
  layout.x = place.left;
  layout.y = place.top;
  layout.width = place.width;
  layout.height = place.height;
  return create(host_.instance(), layout);
}

bool Form::show(const core::Session& session) {
  if (!exists() && !build()) {
    destroy();
    return false;
  }
  refill(session);
  ShowWindow(hwnd(), SW_SHOWNORMAL);
  SetForegroundWindow(hwnd());
  BringWindowToTop(hwnd());
  // Shown anew or again (with texts filled afresh), the window starts with the
  // focus where a new one has it.
  focus_on(first_focus());
  return true;
}

void Form::refill(const core::Session& session) {
  if (!exists()) return;
  filling_ = true;
  fill(session);
  filling_ = false;
  edited_ = false;
}

void Form::take_edits(core::Session& session) const {
  if (edited_) capture(session);
}

HWND Form::first_focus() const { return GetNextDlgTabItem(hwnd(), nullptr, FALSE); }

void Form::focus_on(HWND control) {
  if (control == nullptr) return;
  last_focus_ = control;
  if (GetActiveWindow() == hwnd()) SetFocus(control);
}

LRESULT Form::on_message(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      // From a control, or Enter and Escape as the keyboard handling sends them
      // (with no control when the window has no button of that id).
      if (lparam != 0 || LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
        if (lparam != 0 && !filling_ && is_change(HIWORD(wparam))) edited_ = true;
        on_command(LOWORD(wparam), HIWORD(wparam));
      }
      return 0;
    case DM_GETDEFID: {
      // Asked by the keyboard handling for Enter: the push button that has the
      // focus takes it, else the window's default button.
      int button = default_button();
      const HWND focus = GetFocus();
      if (focus != nullptr && IsChild(hwnd(), focus) &&
          (SendMessageA(focus, WM_GETDLGCODE, 0, 0) &
           (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0) {
        button = GetDlgCtrlID(focus);
      }
      return button != 0 ? MAKELRESULT(button, DC_HASDEFID) : 0;
    }
    case WM_NOTIFY:
      if (const auto* header = reinterpret_cast<const NMHDR*>(lparam);
          header != nullptr && header->code == DTN_DATETIMECHANGE && !filling_) {
        edited_ = true;
      }
      break;
    case WM_CTLCOLORSTATIC: {
      const auto control = reinterpret_cast<HWND>(lparam);
      if (!on_blue(control)) break;
      const auto dc = reinterpret_cast<HDC>(wparam);
      SetTextColor(dc, kLabelText);
      SetBkColor(dc, kFormBlue);
      return reinterpret_cast<LRESULT>(host_.look().blue_brush());
    }
    case WM_ACTIVATE:
      // Not a dialog box: the keyboard focus is kept and given back by hand.
      if (LOWORD(wparam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd(), focus)) last_focus_ = focus;
      } else if (HIWORD(wparam) == 0) {  // not while minimised
        HWND target = last_focus_;
        if (target == nullptr || !IsWindow(target)) target = first_focus();
        if (target != nullptr) SetFocus(target);
      }
      return 0;
    case WM_CLOSE:
      // The close box unloads the window; the core decides and closes it.
      raise([id = id_](core::App& app) { app.window_closed(id); });
      if (exists()) destroy();
      return 0;
    default: break;
  }
  return default_message(message, wparam, lparam);
}

void Form::on_destroyed() {
  last_focus_ = nullptr;
  edited_ = false;
  host_.window_gone();
}

}  // namespace lumari::win32
