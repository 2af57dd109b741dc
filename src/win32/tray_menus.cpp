#include "win32/tray_menus.h"

#include "win32/control_ids.h"
#include "win32/win32_handles.h"

namespace lumari::win32 {
namespace {

struct MenuEntry {
  UINT command = 0;  ///< 0 for a separator
  const char* caption = nullptr;
  core::MenuItem item = core::MenuItem::mnuFlSi;
};

constexpr MenuEntry kFileMenu[] = {
    {kCmdMnuFlSi, "&Login ", core::MenuItem::mnuFlSi},
    {kCmdMnuflset, "&Setting", core::MenuItem::mnuflset},
    {0, nullptr, core::MenuItem::mnuFlSi},
    {kCmdMnuflex, "&Exit", core::MenuItem::mnuflex},
};

constexpr MenuEntry kLiveMenu[] = {
    {kCmdMnulvSo, "&Logout", core::MenuItem::mnulvSo},
    {kCmdMnulvset, "&Setting", core::MenuItem::mnulvset},
    {0, nullptr, core::MenuItem::mnulvSo},
    {kCmdMnulvex, "&Exit", core::MenuItem::mnulvex},
};

template <std::size_t N>
std::optional<core::MenuItem> track(HWND owner, const MenuEntry (&entries)[N]) {
  const UniqueMenu menu(CreatePopupMenu());
  if (!menu) return std::nullopt;
  for (const MenuEntry& entry : entries) {
    const BOOL appended = entry.command == 0
                              ? AppendMenuA(menu.get(), MF_SEPARATOR, 0, nullptr)
                              : AppendMenuA(menu.get(), MF_STRING, entry.command, entry.caption);
    if (appended == FALSE) return std::nullopt;
  }

  POINT at{};
  GetCursorPos(&at);
  // Without the owner in the foreground the menu would not close when the user
  // clicks elsewhere; the WM_NULL afterwards lets a second click open it again.
  SetForegroundWindow(owner);
  const auto command = static_cast<UINT>(
      TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN,
                     at.x, at.y, 0, owner, nullptr));
  PostMessageA(owner, WM_NULL, 0, 0);

  for (const MenuEntry& entry : entries) {
    if (entry.command != 0 && entry.command == command) return entry.item;
  }
  return std::nullopt;
}

}  // namespace

std::optional<core::MenuItem> track_tray_menu(HWND owner, core::MenuId menu) {
  switch (menu) {
    case core::MenuId::File: return track(owner, kFileMenu);
    case core::MenuId::Live: return track(owner, kLiveMenu);
  }
  return std::nullopt;
}

}  // namespace lumari::win32
