// FrmMainMdi: the hidden, minimised main window. It owns the tray icon and the
// polling timer, and turns the icon's mouse messages, the timer's ticks and its
// own closing into App events; another program may ask it to Exit.
#pragma once

#include "win32/form.h"
#include "win32/tray_icon.h"
#include "win32/window.h"

namespace lumari::win32 {

class MainWindow final : public Window {
 public:
  explicit MainWindow(FormHost& host);

  /// Creates the window, hidden and minimised.
  [[nodiscard]] bool build();

  void add_tray_icon();
  void remove_tray_icon();
  /// A balloon from the tray icon; nothing when the icon is not there.
  void show_balloon(std::string_view text, bool warning);
  /// The polling timer's interval; a running timer keeps its current count.
  void set_timer_interval(int milliseconds);
  /// Starts or stops the polling timer; starting a running timer changes nothing.
  void set_timer_enabled(bool enabled);
  void minimise();
  void hide();
  /// Shows the window minimised, as a taskbar button only.
  void show_minimised();

 private:
  LRESULT on_message(UINT message, WPARAM wparam, LPARAM lparam) override;
  void on_destroyed() override;

  FormHost& host_;
  TrayIcon tray_;
  UINT taskbar_created_ = 0;
  UINT exit_request_ = 0;
  int timer_interval_ms_ = 0;
  bool timer_running_ = false;
};

}  // namespace lumari::win32
