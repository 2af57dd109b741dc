// frmLogin: e-mail, password, Login and Cancel, the remember check box and the
// two date/time pickers that carry the login's date and time (shown, not edited).
#pragma once

#include "win32/form.h"

namespace lumari::win32 {

class LoginForm final : public Form {
 public:
  explicit LoginForm(FormHost& host) : Form(host, core::WindowId::Login) {}

  void fill(const core::Session& session) override;
  void capture(core::Session& session) const override;

 private:
  bool build() override;
  void on_command(int control_id, int notification) override;
  /// The password box when the e-mail box holds an address, else the e-mail box.
  [[nodiscard]] HWND first_focus() const override;
  /// Runs a login; when the window is still open afterwards (the login was
  /// refused or failed), the password is selected in its box for retyping.
  void log_in(const AppEvent& login);

  /// Enter in the password box logs in; every other key is the box's own.
  static LRESULT CALLBACK password_proc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR subclass_id, DWORD_PTR self);
};

}  // namespace lumari::win32
