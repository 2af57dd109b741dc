// The notification-area icon of the main window, with the first (smallest)
// version of the shell's icon record; balloons use the full record.
#pragma once

#include <windows.h>
// clang-format off
#include <shellapi.h>
// clang-format on

#include <string_view>

namespace lumari::win32 {

/// The icon's tooltip.
inline constexpr char kTrayTip[] = "Zelvane - Lumari Terminal";

class TrayIcon {
 public:
  /// Adds the icon; the shell sends its mouse messages to the owner as WM_MOUSEMOVE.
  void add(HWND owner, HICON icon);
  /// Deletes the icon, if it was added.
  void remove();
  /// Adds the icon again after the shell has restarted (its "TaskbarCreated").
  void add_again();
  /// Shows a balloon from the icon, with a warning or an information symbol;
  /// the icon and its tooltip stay as they are. Texts too long are cut.
  void show_balloon(std::string_view title, std::string_view text, bool warning);
  [[nodiscard]] bool added() const { return added_; }

 private:
  NOTIFYICONDATAA record_{};
  bool added_ = false;
};

}  // namespace lumari::win32
