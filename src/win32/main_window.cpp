#include "win32/main_window.h"

#include "win32/control_ids.h"

namespace lumari::win32 {

MainWindow::MainWindow(FormHost& host)
    : host_(host),
      taskbar_created_(RegisterWindowMessageA("TaskbarCreated")),
      exit_request_(RegisterWindowMessageA(kExitRequestMessage)) {}

bool MainWindow::build() {
  const FormLook& look = host_.look();
  if (!register_class(host_.instance(), kMainWindowClass,
                      reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), look.large_icon(),
                      look.small_icon())) {
    return false;
  }
  // A top-level window (a message-only window never hears "TaskbarCreated"),
  // minimised from the start and not yet visible.
  WindowLayout layout;
  layout.class_name = kMainWindowClass;
  layout.caption = kAppTitle;
  layout.style = WS_OVERLAPPEDWINDOW | WS_MINIMIZE;
  return create(host_.instance(), layout);
}

void MainWindow::add_tray_icon() {
  if (exists()) tray_.add(hwnd(), host_.look().small_icon());
}

void MainWindow::remove_tray_icon() { tray_.remove(); }

void MainWindow::show_balloon(std::string_view text, bool warning) {
  tray_.show_balloon(kAppTitle, text, warning);
}

void MainWindow::set_timer_interval(int milliseconds) {
  timer_interval_ms_ = milliseconds;
  if (timer_running_ && exists()) {
    SetTimer(hwnd(), kMyTimerId, static_cast<UINT>(timer_interval_ms_), nullptr);
  }
}

void MainWindow::set_timer_enabled(bool enabled) {
  if (!exists()) {
    timer_running_ = false;
    return;
  }
  if (enabled && !timer_running_) {
    timer_running_ =
        SetTimer(hwnd(), kMyTimerId, static_cast<UINT>(timer_interval_ms_), nullptr) != 0;
  } else if (!enabled && timer_running_) {
    KillTimer(hwnd(), kMyTimerId);
    timer_running_ = false;
  }
}

void MainWindow::minimise() {
  // A hidden window keeps its minimised state from creation; showing it now
  // would flash it on the screen.
  if (exists() && IsWindowVisible(hwnd()) && !IsIconic(hwnd())) ShowWindow(hwnd(), SW_MINIMIZE);
}

void MainWindow::hide() {
  if (exists()) ShowWindow(hwnd(), SW_HIDE);
}

void MainWindow::show_minimised() {
  if (exists()) ShowWindow(hwnd(), SW_SHOWMINNOACTIVE);
}

LRESULT MainWindow::on_message(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == taskbar_created_ && taskbar_created_ != 0) {
    tray_.add_again();
    return 0;
  }
  if (message == exit_request_ && exit_request_ != 0) {
    // Another program (the installer) asks the program to leave: the same way
    // out as Exit in the tray menu shown now, run log line included.
    host_.dispatch(std::nullopt, [](core::App& app) {
      if (app.session().main.swlogin == 1) {
        app.FrmMainMdi_mnulvex_Click();
      } else {
        app.FrmMainMdi_mnuflex_Click();
      }
    });
    return 0;
  }
  switch (message) {
    case WM_MOUSEMOVE: {
      // The tray icon's callback: the mouse message is the low word of lParam.
      const int mouse_message = LOWORD(lparam);
      host_.dispatch(std::nullopt, [mouse_message](core::App& app) {
        app.FrmMainMdi_Form_MouseMove(mouse_message);
      });
      return 0;
    }
    case WM_TIMER:
      if (wparam == kMyTimerId) {
        host_.dispatch(std::nullopt, [](core::App& app) { app.FrmMainMdi_mytimer_Timer(); });
        return 0;
      }
      break;
    case WM_QUERYOPEN:
      // The window stays minimised for the whole run.
      return FALSE;
    case WM_CLOSE:
      // Closed from its taskbar button: unloaded without the run log line; the
      // program goes on while another of its windows is open.
      host_.dispatch(std::nullopt, [](core::App& app) { app.FrmMainMdi_Form_Unload(); });
      destroy();
      return 0;
    case WM_DESTROY:
      // However the window goes, its icon does not stay behind in the tray.
      tray_.remove();
      if (timer_running_) KillTimer(hwnd(), kMyTimerId);
      timer_running_ = false;
      return 0;
    default: break;
  }
  return default_message(message, wparam, lparam);
}

void MainWindow::on_destroyed() { host_.window_gone(); }

}  // namespace lumari::win32
