#include "tray.h"

#include <commctrl.h>
#include <shellapi.h>

#include "process_windows.h"

namespace lumari::test {

HWND open_tray_menu(DWORD process_id, HWND main_window, Millis limit) {
  // Posted, never sent: the handler stays in TrackPopupMenu until the menu closes.
  if (!PostMessageA(main_window, WM_MOUSEMOVE, 0, WM_RBUTTONDOWN)) return nullptr;
  return wait_for_top_window(process_id, "#32768", std::nullopt, limit);
}

bool choose_menu_item(HWND menu, char access_key, Millis limit) {
  if (!PostMessageA(menu, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(access_key)),
                    1)) {
    return false;
  }
  // The menu window is destroyed (or hidden) when the menu closes.
  return wait_until_gone(menu, limit);
}

namespace {

BOOL CALLBACK is_balloon(HWND window, LPARAM found) {
  char class_name[32] = {};
  GetClassNameA(window, class_name, sizeof class_name);
  if (lstrcmpiA(class_name, TOOLTIPS_CLASSA) == 0 && IsWindowVisible(window) &&
      (GetWindowLongA(window, GWL_STYLE) & TTS_BALLOON) != 0) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND shown_balloon() {
  HWND found = nullptr;
  EnumWindows(is_balloon, reinterpret_cast<LPARAM>(&found));
  return found;
}

bool tray_icon_present(HWND owner, UINT id) {
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof data;
  data.hWnd = owner;
  data.uID = id;
  data.uFlags = 0;
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

}  // namespace lumari::test
