#include "tray.h"

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

bool tray_icon_present(HWND owner, UINT id) {
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof data;
  data.hWnd = owner;
  data.uID = id;
  data.uFlags = 0;
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

}  // namespace lumari::test
