// The tray icon's two pop-up menus, mnufile and Mnulive.
#pragma once

#include <windows.h>

#include <optional>

#include "ports/ui.h"

namespace lumari::win32 {

/// Shows the menu at the mouse for the owner window and returns the chosen
/// item, or nothing when the menu was dismissed.
[[nodiscard]] std::optional<core::MenuItem> track_tray_menu(HWND owner, core::MenuId menu);

}  // namespace lumari::win32
