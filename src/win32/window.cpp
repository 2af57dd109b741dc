#include "win32/window.h"

namespace lumari::win32 {

Window::~Window() {
  // The derived object is gone already: the window's last messages go to the
  // default procedure.
  if (hwnd_) SetWindowLongPtrA(hwnd_.get(), GWLP_USERDATA, 0);
}

void Window::destroy() {
  // The handle is given up at WM_NCDESTROY, so on_message still sees it while
  // the window is being destroyed.
  if (hwnd_) DestroyWindow(hwnd_.get());
}

bool Window::register_class(HINSTANCE instance, const char* class_name, HBRUSH background,
                            HICON icon, HICON small_icon) {
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = &Window::wnd_proc;
  window_class.hInstance = instance;
  window_class.hIcon = icon;
  window_class.hIconSm = small_icon;
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.hbrBackground = background;
  window_class.lpszClassName = class_name;
  return RegisterClassExA(&window_class) != 0;
}

bool Window::create(HINSTANCE instance, const WindowLayout& layout) {
  if (exists()) return true;
  // The handle is taken at WM_NCCREATE, so messages sent during creation already
  // reach on_message.
  const HWND hwnd =
      CreateWindowExA(layout.ex_style, layout.class_name, layout.caption, layout.style, layout.x,
                      layout.y, layout.width, layout.height, nullptr, nullptr, instance, this);
  return hwnd != nullptr && exists();
}

LRESULT CALLBACK Window::wnd_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Window* self = nullptr;
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
    self = static_cast<Window*>(create->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_.reset(hwnd);
  } else {
    self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (self == nullptr) return DefWindowProcA(hwnd, message, wparam, lparam);

  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    // The window is going already: give the handle up instead of destroying it.
    (void)self->hwnd_.release();
    try {
      self->on_destroyed();
    } catch (...) {
      // Nothing may leave a window procedure.
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
  }

  try {
    return self->on_message(message, wparam, lparam);
  } catch (...) {
    return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

}  // namespace lumari::win32
