#include "controls.h"

#include "process_windows.h"

namespace lumari::test {
namespace {

constexpr UINT kMessageTimeoutMs = 5000;

bool send_with_timeout(HWND target, UINT message, WPARAM wparam, LPARAM lparam,
                       DWORD_PTR* result = nullptr) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutA(target, message, wparam, lparam, SMTO_ABORTIFHUNG, kMessageTimeoutMs,
                             result != nullptr ? result : &ignored) != 0;
}

}  // namespace

std::string control_text(HWND window, int id) {
  HWND control = GetDlgItem(window, id);
  return control == nullptr ? std::string() : window_text(control);
}

bool set_control_text(HWND window, int id, std::string_view text) {
  HWND control = GetDlgItem(window, id);
  if (control == nullptr) return false;
  const std::string owned(text);
  DWORD_PTR result = 0;
  return send_with_timeout(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(owned.c_str()),
                           &result) &&
         result != 0;
}

bool post_click(HWND window, int id) {
  HWND button = GetDlgItem(window, id);
  return button != nullptr && PostMessageA(button, BM_CLICK, 0, 0) != 0;
}

bool send_click(HWND window, int id) {
  HWND button = GetDlgItem(window, id);
  return button != nullptr && send_with_timeout(button, BM_CLICK, 0, 0);
}

bool is_checked(HWND window, int id) {
  HWND button = GetDlgItem(window, id);
  DWORD_PTR state = 0;
  return button != nullptr && send_with_timeout(button, BM_GETCHECK, 0, 0, &state) &&
         state == BST_CHECKED;
}

bool choose_combo_entry(HWND window, int id, std::string_view entry) {
  HWND combo = GetDlgItem(window, id);
  if (combo == nullptr) return false;
  const std::string owned(entry);
  DWORD_PTR index = 0;
  if (!send_with_timeout(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(owned.c_str()), &index) ||
      static_cast<LRESULT>(index) == CB_ERR) {
    return false;
  }
  DWORD_PTR selected = 0;
  if (!send_with_timeout(combo, CB_SETCURSEL, index, 0, &selected) ||
      static_cast<LRESULT>(selected) == CB_ERR) {
    return false;
  }
  // CB_SETCURSEL does not notify the parent; a user's choice does.
  return send_with_timeout(window, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(combo));
}

int combo_entry_count(HWND window, int id) {
  HWND combo = GetDlgItem(window, id);
  DWORD_PTR count = 0;
  if (combo == nullptr || !send_with_timeout(combo, CB_GETCOUNT, 0, 0, &count)) return -1;
  return static_cast<int>(static_cast<LRESULT>(count));
}

}  // namespace lumari::test
