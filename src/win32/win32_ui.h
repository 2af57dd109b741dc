// The Ui port on Win32: the main window with its tray icon and timer, the three
// dialog-like windows, message boxes, the pop-up menus and the file dialog. It
// also runs the App's events for the windows, keeping controls and session state
// in step.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "ports/ui.h"
#include "shell/app.h"
#include "win32/form.h"
#include "win32/form_look.h"
#include "win32/login_form.h"
#include "win32/main_window.h"
#include "win32/selection_form.h"
#include "win32/settings_form.h"

namespace lumari::win32 {

class Win32Ui final : public core::Ui, public FormHost {
 public:
  explicit Win32Ui(HINSTANCE instance);
  Win32Ui(const Win32Ui&) = delete;
  Win32Ui& operator=(const Win32Ui&) = delete;

  /// Connects the App whose events the windows raise; before any window exists.
  void attach(core::App& app) { app_ = &app; }
  /// Creates the main window; false when the window system refused.
  [[nodiscard]] bool create_main_window();
  /// Shows the main window minimised, as the load sequence leaves it.
  void show_main_window_minimised();
  /// Gives keyboard navigation (Tab, arrows) to the message's window; true when
  /// the message was handled so.
  [[nodiscard]] bool keyboard_message(MSG& message);

  // core::Ui
  void show_window(core::WindowId window) override;
  void close_window(core::WindowId window) override;
  void refresh_window(core::WindowId window) override;
  void message_box(std::string_view text, std::string_view caption,
                   core::MessageIcon icon) override;
  void notify(std::string_view text, core::NoticeKind kind) override;
  std::optional<core::MenuItem> popup_menu(core::MenuId menu) override;
  std::optional<std::string> open_file_dialog() override;
  void set_timer_interval(int milliseconds) override;
  void set_timer_enabled(bool enabled) override;
  void minimize_main_window() override;
  void hide_main_window() override;
  void add_tray_icon() override;
  void remove_tray_icon() override;
  void end_program() override;

  // FormHost
  void dispatch(std::optional<core::WindowId> source, const AppEvent& event) override;
  [[nodiscard]] HINSTANCE instance() const override { return instance_; }
  [[nodiscard]] const FormLook& look() const override { return look_; }
  void window_gone() override;

 private:
  [[nodiscard]] Form& form(core::WindowId window);
  [[nodiscard]] bool any_window() const;
  /// Takes in what the user has typed into any window since its last refill.
  void take_edits(core::Session& session);
  void report_failure(const char* what);

  HINSTANCE instance_;
  FormLook look_;
  MainWindow main_;
  LoginForm login_;
  SelectionForm selection_;
  SettingsForm settings_;
  core::App* app_ = nullptr;
  int depth_ = 0;  ///< App events running, nested ones included
  bool ending_ = false;
};

}  // namespace lumari::win32
