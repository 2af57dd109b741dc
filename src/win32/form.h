// Base of the dialog-like windows (login, selection, settings): one window per
// object, built in code, mirroring its part of the session state, and
// reporting its buttons, keys and close box to the front end.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>

#include "ports/ui.h"
#include "shell/app.h"
#include "win32/form_look.h"
#include "win32/window.h"

namespace lumari::win32 {

/// One event procedure of the App, run by the front end.
using AppEvent = std::function<void(core::App&)>;

/// What a window needs from the front end that owns it.
class FormHost {
 public:
  virtual ~FormHost() = default;
  /// Copies control values into the session, runs the event, then refreshes the
  /// open windows from the session. `source` is the window the event came from.
  virtual void dispatch(std::optional<core::WindowId> source, const AppEvent& event) = 0;
  [[nodiscard]] virtual HINSTANCE instance() const = 0;
  [[nodiscard]] virtual const FormLook& look() const = 0;
  /// One of the program's windows is gone.
  virtual void window_gone() = 0;
};

class Form : public Window {
 public:
  Form(FormHost& host, core::WindowId id) : host_(host), id_(id) {}

  [[nodiscard]] core::WindowId id() const { return id_; }

  /// Creates the window if needed (centred, filled from the session), then shows
  /// it in the normal state, brings it forward and puts the focus where it starts.
  [[nodiscard]] bool show(const core::Session& session);
  /// Copies the session's state of this window into its controls.
  virtual void fill(const core::Session& session) = 0;
  /// Copies the controls' values into the session's state of this window.
  virtual void capture(core::Session& session) const = 0;
  /// fill(), after which the controls show nothing the user has typed since.
  void refill(const core::Session& session);
  /// capture(), when the user has changed a control since the last refill:
  /// what was typed is taken in, and state the window was not yet shown is not
  /// overwritten by the controls' older values.
  void take_edits(core::Session& session) const;

 protected:
  /// Creates the window, hidden, with all its controls.
  [[nodiscard]] virtual bool build() = 0;
  /// A WM_COMMAND from one of the controls, or IDOK and IDCANCEL from Enter and
  /// Escape.
  virtual void on_command(int control_id, int notification) = 0;
  /// The control that has the focus when the window first becomes active.
  [[nodiscard]] virtual HWND first_focus() const;
  /// The button that Enter clicks while no push button has the focus; 0 for none.
  [[nodiscard]] virtual int default_button() const { return 0; }
  /// Gives the control the focus, at once when the window is active, else when it
  /// next becomes active.
  void focus_on(HWND control);

  /// Creates the hidden top-level window centred on the screen with the given
  /// client area; the class is registered on first use.
  [[nodiscard]] bool create_form(const char* class_name, const char* caption, int client_width,
                                 int client_height);
  /// Runs an App event that this window raised.
  void raise(const AppEvent& event) { host_.dispatch(id_, event); }
  [[nodiscard]] HWND item(int control_id) const { return GetDlgItem(hwnd(), control_id); }
  [[nodiscard]] FormHost& host() const { return host_; }

  LRESULT on_message(UINT message, WPARAM wparam, LPARAM lparam) override;
  void on_destroyed() override;

 private:
  FormHost& host_;
  core::WindowId id_;
  HWND last_focus_ = nullptr;
  bool edited_ = false;   ///< the user changed a control since the last refill
  bool filling_ = false;  ///< the controls' own change notices are not the user's
};

}  // namespace lumari::win32
