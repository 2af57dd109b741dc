// The tray icon as the user meets it: a right-button press that opens the
// program's pop-up menu, an item chosen by its access key, and whether the icon
// is still in the notification area.
#pragma once

#include <windows.h>

#include "wait.h"

namespace lumari::test {

/// Posts the tray icon's right-button press to the main window (the icon's
/// callback is WM_MOUSEMOVE with the mouse message as X) and waits for the
/// pop-up menu of the process; the menu window, or null when none opened.
[[nodiscard]] HWND open_tray_menu(DWORD process_id, HWND main_window, Millis limit);

/// Chooses the menu item with the access key and waits until the menu has
/// closed; whether it closed in time.
[[nodiscard]] bool choose_menu_item(HWND menu, char access_key, Millis limit);

/// The balloon (of any program) shown on the screen, null when none: the shell
/// shows it as a visible balloon tooltip window.
[[nodiscard]] HWND shown_balloon();

/// Whether the notification area holds an icon of this owner and id: a
/// modification that changes nothing succeeds only for an icon that exists.
[[nodiscard]] bool tray_icon_present(HWND owner, UINT id);

}  // namespace lumari::test
