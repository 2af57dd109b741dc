// FrmSys: the account's trade systems in a drop-down list, the remember check
// box and Proceed.
#pragma once

#include <string>
#include <vector>

#include "win32/form.h"

namespace lumari::win32 {

class SelectionForm final : public Form {
 public:
  explicit SelectionForm(FormHost& host) : Form(host, core::WindowId::Selection) {}

  void fill(const core::Session& session) override;
  void capture(core::Session& session) const override;

 private:
  bool build() override;
  void on_command(int control_id, int notification) override;

  /// The entries the list holds, byte for byte, in list order.
  std::vector<std::string> shown_entries_;
};

}  // namespace lumari::win32
