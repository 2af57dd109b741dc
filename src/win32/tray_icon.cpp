#include "win32/tray_icon.h"

#include <algorithm>
#include <cstring>

#include "win32/control_ids.h"

namespace lumari::win32 {
namespace {

// Copies as much of the text as fits into the field, always with its NUL.
template <std::size_t N>
void copy_cut(char (&field)[N], std::string_view text) {
  const std::size_t length = std::min(text.size(), N - 1);
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

}  // namespace

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

void TrayIcon::show_balloon(std::string_view title, std::string_view text, bool warning) {
  if (!added_) return;
  // The icon was added with the first record layout, which has no balloon
  // fields; a modification with the full layout that names only NIF_INFO
  // leaves the icon, its tip and its callback as they were.
  NOTIFYICONDATAA balloon{};
  balloon.cbSize = sizeof balloon;
  balloon.hWnd = record_.hWnd;
  balloon.uID = record_.uID;
  balloon.uFlags = NIF_INFO;
  copy_cut(balloon.szInfoTitle, title);
  copy_cut(balloon.szInfo, text);
  balloon.dwInfoFlags = warning ? NIIF_WARNING : NIIF_INFO;
  (void)Shell_NotifyIconA(NIM_MODIFY, &balloon);
}

}  // namespace lumari::win32
