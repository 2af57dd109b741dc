// Base of the program's windows: a window procedure trampoline that forwards to
// the object that created the window, and ownership of the window handle.
#pragma once

#include <windows.h>

#include "win32/win32_handles.h"

namespace lumari::win32 {

/// What a new window looks like; the class must have been registered with
/// Window::register_class.
struct WindowLayout {
  const char* class_name = nullptr;
  const char* caption = "";
  DWORD style = 0;
  DWORD ex_style = 0;
  int x = CW_USEDEFAULT;
  int y = CW_USEDEFAULT;
  int width = CW_USEDEFAULT;
  int height = CW_USEDEFAULT;
};

class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  /// The window's handle, or nullptr while it does not exist.
  [[nodiscard]] HWND hwnd() const { return hwnd_.get(); }
  /// Whether the window exists at the moment.
  [[nodiscard]] bool exists() const { return static_cast<bool>(hwnd_); }
  /// Destroys the window, if it exists; the object stays usable for a new one.
  void destroy();

  /// Registers a class whose windows are run by Window objects.
  [[nodiscard]] static bool register_class(HINSTANCE instance, const char* class_name,
                                           HBRUSH background, HICON icon, HICON small_icon);

 protected:
  /// Creates the window for this object; false (with the window absent) on failure.
  [[nodiscard]] bool create(HINSTANCE instance, const WindowLayout& layout);
  /// Handles one message; unhandled ones go to default_message.
  virtual LRESULT on_message(UINT message, WPARAM wparam, LPARAM lparam) = 0;
  /// Called once the window is gone (WM_NCDESTROY), whoever destroyed it.
  virtual void on_destroyed() {}
  [[nodiscard]] LRESULT default_message(UINT message, WPARAM wparam, LPARAM lparam) const {
    return DefWindowProcA(hwnd_.get(), message, wparam, lparam);
  }

 private:
  static LRESULT CALLBACK wnd_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  UniqueWindow hwnd_;
};

}  // namespace lumari::win32
