// Child controls of the program's windows: creating them, and moving texts and
// check marks between them and the session state.
#pragma once

#include <windows.h>

#include <string>

#include "win32/form_look.h"

namespace lumari::win32 {

/// One child control: its window class, text, style (WS_CHILD and WS_VISIBLE are
/// added), id, place in pixels and font.
struct ControlLayout {
  const char* class_name = "STATIC";
  const char* text = "";
  DWORD style = 0;
  DWORD ex_style = 0;
  int id = 0;
  Placement place;
  HFONT font = nullptr;
};

/// Creates the control on the parent; nullptr on failure.
HWND add_control(HWND parent, HINSTANCE instance, const ControlLayout& layout);

/// The control's text as 8-bit text.
[[nodiscard]] std::string control_text(HWND control);
/// Sets the text only when it differs, so a caret and selection survive a refresh.
void set_control_text(HWND control, const std::string& text);

[[nodiscard]] bool is_checked(HWND check_box);
void set_checked(HWND check_box, bool checked);

/// The window's outer size for the given client area, and its place centred on
/// the screen (the whole screen, not the work area).
[[nodiscard]] Placement centred_window(DWORD style, DWORD ex_style, int client_width,
                                       int client_height);

}  // namespace lumari::win32
