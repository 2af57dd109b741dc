#include "win32/win32_ui.h"

#include <exception>

#include "win32/control_ids.h"
#include "win32/file_dialog.h"
#include "win32/tray_menus.h"

namespace lumari::win32 {

Win32Ui::Win32Ui(HINSTANCE instance)
    : instance_(instance),
      look_(instance),
      main_(*this),
      login_(*this),
      selection_(*this),
      settings_(*this) {}

bool Win32Ui::create_main_window() { return main_.build(); }

void Win32Ui::show_main_window_minimised() { main_.show_minimised(); }

bool Win32Ui::keyboard_message(MSG& message) {
  if (message.hwnd == nullptr) return false;
  const HWND top = GetAncestor(message.hwnd, GA_ROOT);
  for (const Form* candidate :
       {static_cast<const Form*>(&login_), static_cast<const Form*>(&selection_),
        static_cast<const Form*>(&settings_)}) {
    if (candidate->exists() && candidate->hwnd() == top) {
      return IsDialogMessageA(top, &message) != FALSE;
    }
  }
  return false;
}

Form& Win32Ui::form(core::WindowId window) {
  switch (window) {
    case core::WindowId::Login: return login_;
    case core::WindowId::Selection: return selection_;
    case core::WindowId::Settings: return settings_;
  }
  return login_;
}

bool Win32Ui::any_window() const {
  return main_.exists() || login_.exists() || selection_.exists() || settings_.exists();
}

void Win32Ui::show_window(core::WindowId window) {
  if (ending_ || app_ == nullptr) return;
  if (!form(window).show(app_->session())) report_failure("The window could not be created.");
}

void Win32Ui::close_window(core::WindowId window) { form(window).destroy(); }

void Win32Ui::refresh_window(core::WindowId window) {
  if (app_ != nullptr) form(window).refill(app_->session());
}

void Win32Ui::message_box(std::string_view text, std::string_view caption, core::MessageIcon icon) {
  // Owned by the program's active window, so that window waits for the answer;
  // never by the minimised main window, which would hide the box with itself.
  // When none of the program's own windows is active (a tick's box while the
  // user works in another program), the box has no owner and is modal to the
  // program: every window of this thread waits, the other programs' do not.
  HWND owner = GetActiveWindow();
  UINT style = MB_OK | (icon == core::MessageIcon::Critical ? MB_ICONSTOP : MB_ICONINFORMATION);
  if (owner == nullptr || owner == main_.hwnd()) {
    owner = nullptr;
    style |= MB_TASKMODAL;
  }
  MessageBoxA(owner, std::string(text).c_str(), std::string(caption).c_str(), style);
}

void Win32Ui::notify(std::string_view text, core::NoticeKind kind) {
  if (!ending_) main_.show_balloon(text, kind == core::NoticeKind::Problem);
}

std::optional<core::MenuItem> Win32Ui::popup_menu(core::MenuId menu) {
  if (!main_.exists()) return std::nullopt;
  return track_tray_menu(main_.hwnd(), menu);
}

std::optional<std::string> Win32Ui::open_file_dialog() {
  if (app_ == nullptr) return std::nullopt;
  // The path box was taken into the session when Browse was clicked.
  const core::SettingsWindowState& settings = app_->session().settings;
  return choose_file(settings_.hwnd(), settings.cdb_FileName, settings.mt4location);
}

void Win32Ui::set_timer_interval(int milliseconds) { main_.set_timer_interval(milliseconds); }

void Win32Ui::set_timer_enabled(bool enabled) { main_.set_timer_enabled(enabled); }

void Win32Ui::minimize_main_window() { main_.minimise(); }

void Win32Ui::hide_main_window() { main_.hide(); }

void Win32Ui::add_tray_icon() { main_.add_tray_icon(); }

void Win32Ui::remove_tray_icon() { main_.remove_tray_icon(); }

void Win32Ui::end_program() {
  // Open windows close without their unload; the main window takes its icon
  // with it.
  ending_ = true;
  login_.destroy();
  selection_.destroy();
  settings_.destroy();
  main_.destroy();
  PostQuitMessage(0);
}

void Win32Ui::dispatch(std::optional<core::WindowId> source, const AppEvent& event) {
  if (app_ == nullptr || app_->ended() || ending_) return;
  core::Session& session = app_->session();
  // An event that arrives while another one waits in a message box takes its
  // own window's values and what the user has typed anywhere since the last
  // refill, but not the rest: the other windows may hold state the waiting
  // event has not shown yet.
  if (depth_ == 0) {
    login_.capture(session);
    selection_.capture(session);
    settings_.capture(session);
  } else {
    if (source) form(*source).capture(session);
    take_edits(session);
  }

  ++depth_;
  try {
    event(*app_);
  } catch (const std::exception& failure) {
    report_failure(failure.what());
  } catch (...) {
    report_failure("Unknown failure.");
  }
  --depth_;

  if (ending_) return;
  // Text typed while the event waited in a message box is not lost to the refill.
  take_edits(session);
  login_.refill(session);
  selection_.refill(session);
  settings_.refill(session);
}

void Win32Ui::take_edits(core::Session& session) {
  login_.take_edits(session);
  selection_.take_edits(session);
  settings_.take_edits(session);
}

void Win32Ui::window_gone() {
  // The program runs as long as one of its windows exists.
  if (!any_window()) PostQuitMessage(0);
}

void Win32Ui::report_failure(const char* what) {
  MessageBoxA(nullptr, what, kAppTitle, MB_OK | MB_ICONSTOP);
}

}  // namespace lumari::win32
