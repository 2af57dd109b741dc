// frmSettings: the path of the MT4 terminal's program file, Browse, Save (the
// default button) and Cancel (also Escape).
#pragma once

#include "win32/form.h"

namespace lumari::win32 {

class SettingsForm final : public Form {
 public:
  explicit SettingsForm(FormHost& host) : Form(host, core::WindowId::Settings) {}

  void fill(const core::Session& session) override;
  void capture(core::Session& session) const override;

 private:
  bool build() override;
  void on_command(int control_id, int notification) override;
  /// Enter in the path box saves.
  [[nodiscard]] int default_button() const override;
};

}  // namespace lumari::win32
