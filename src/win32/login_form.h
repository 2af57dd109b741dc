// frmLogin: e-mail, password, Login and Cancel, the remember check box and the
// two date/time pickers that carry the login's date and time.
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

  /// Enter in the password box logs in; every other key is the box's own.
  static LRESULT CALLBACK password_proc(HWND edit, UINT message, WPARAM wparam, LPARAM lparam,
                                        UINT_PTR subclass_id, DWORD_PTR self);
};

}  // namespace lumari::win32
