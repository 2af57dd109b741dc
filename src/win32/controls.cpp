#include "win32/controls.h"

namespace lumari::win32 {

HWND add_control(HWND parent, HINSTANCE instance, const ControlLayout& layout) {
  const HWND control = CreateWindowExA(
      layout.ex_style, layout.class_name, layout.text, WS_CHILD | WS_VISIBLE | layout.style,
      layout.place.left, layout.place.top, layout.place.width, layout.place.height, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), instance, nullptr);
  if (control != nullptr && layout.font != nullptr) {
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(layout.font), FALSE);
  }
  return control;
}

std::string control_text(HWND control) {
  if (control == nullptr) return {};
  const int length = GetWindowTextLengthA(control);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(control, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

void set_control_text(HWND control, const std::string& text) {
  if (control == nullptr || control_text(control) == text) return;
  SetWindowTextA(control, text.c_str());
}

bool is_checked(HWND check_box) {
  return check_box != nullptr &&
         SendMessageA(check_box, BM_GETCHECK, 0, 0) == static_cast<LRESULT>(BST_CHECKED);
}

void set_checked(HWND check_box, bool checked) {
  if (check_box == nullptr || is_checked(check_box) == checked) return;
  SendMessageA(check_box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

Placement centred_window(DWORD style, DWORD ex_style, int client_width, int client_height) {
  RECT frame{0, 0, client_width, client_height};
  AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  return {(GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2,
          width, height};
}

}  // namespace lumari::win32
