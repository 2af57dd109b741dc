#include "win32/tray_icon.h"

#include <cstring>

#include "win32/control_ids.h"

namespace lumari::win32 {

void TrayIcon::add(HWND owner, HICON icon) {
  record_ = {};
  record_.cbSize = NOTIFYICONDATAA_V1_SIZE;
  record_.hWnd = owner;
  record_.uID = kTrayIconId;
  record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record_.uCallbackMessage = WM_MOUSEMOVE;
  record_.hIcon = icon;
  // The tip, its NUL, and blanks to the end of the field.
  std::memset(record_.szTip, ' ', sizeof record_.szTip);
  std::memcpy(record_.szTip, kTrayTip, sizeof kTrayTip);
  added_ = true;
  // A shell that is not running yet announces itself later with TaskbarCreated.
  (void)Shell_NotifyIconA(NIM_ADD, &record_);
}

void TrayIcon::remove() {
  if (!added_) return;
  added_ = false;
  (void)Shell_NotifyIconA(NIM_DELETE, &record_);
}

void TrayIcon::add_again() {
  if (added_) (void)Shell_NotifyIconA(NIM_ADD, &record_);
}

}  // namespace lumari::win32
