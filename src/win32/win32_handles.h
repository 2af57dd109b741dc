// UniqueHandle aliases for the handles the tray program owns: windows, menus,
// icons, GDI objects and kernel objects.
#pragma once

#include <windows.h>

#include "win32/unique_handle.h"

namespace lumari::win32 {

struct WindowTraits {
  using Handle = HWND;
  static Handle invalid() { return nullptr; }
  static void close(Handle handle) { DestroyWindow(handle); }
};

struct MenuTraits {
  using Handle = HMENU;
  static Handle invalid() { return nullptr; }
  static void close(Handle handle) { DestroyMenu(handle); }
};

struct IconTraits {
  using Handle = HICON;
  static Handle invalid() { return nullptr; }
  static void close(Handle handle) { DestroyIcon(handle); }
};

struct FontTraits {
  using Handle = HFONT;
  static Handle invalid() { return nullptr; }
  static void close(Handle handle) { DeleteObject(handle); }
};

struct BrushTraits {
  using Handle = HBRUSH;
  static Handle invalid() { return nullptr; }
  static void close(Handle handle) { DeleteObject(handle); }
};

/// Kernel objects whose "no handle" is NULL (mutexes, events, processes).
struct KernelTraits {
  using Handle = HANDLE;
  static Handle invalid() { return nullptr; }
  static void close(Handle handle) { CloseHandle(handle); }
};

using UniqueWindow = UniqueHandle<WindowTraits>;
using UniqueMenu = UniqueHandle<MenuTraits>;
using UniqueIcon = UniqueHandle<IconTraits>;
using UniqueFont = UniqueHandle<FontTraits>;
using UniqueBrush = UniqueHandle<BrushTraits>;
using UniqueKernelHandle = UniqueHandle<KernelTraits>;

}  // namespace lumari::win32
