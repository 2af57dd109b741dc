// The windows of another process, found the way a user would name them: by
// window class and caption, restricted to that process.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "wait.h"

namespace lumari::test {

struct TopWindow {
  HWND hwnd = nullptr;
  std::string class_name;
  std::string caption;
  bool visible = false;
  RECT rect{};
};

/// Every top-level window of the process, in z-order.
[[nodiscard]] std::vector<TopWindow> top_level_windows(DWORD process_id);

/// One line per top-level window of the process, for failure reports.
[[nodiscard]] std::string describe_top_windows(DWORD process_id);

/// The first visible top-level window of the process with the class and, when
/// given, the caption; null when there is none.
[[nodiscard]] HWND find_top_window(DWORD process_id, std::string_view class_name,
                                   std::optional<std::string_view> caption = std::nullopt);

/// How many visible top-level windows of the class the process has.
[[nodiscard]] int count_visible_windows(DWORD process_id, std::string_view class_name);

/// find_top_window, waiting up to `limit` for the window to appear.
[[nodiscard]] HWND wait_for_top_window(DWORD process_id, std::string_view class_name,
                                       std::optional<std::string_view> caption, Millis limit);

/// The top-level window of the class, hidden or not (the main window is hidden).
[[nodiscard]] HWND find_any_top_window(DWORD process_id, std::string_view class_name);

/// Waits until the window is destroyed or hidden; whether that happened in time.
[[nodiscard]] bool wait_until_gone(HWND window, Millis limit);

/// A window's text read with WM_GETTEXT (works for controls of another process).
[[nodiscard]] std::string window_text(HWND window);

[[nodiscard]] std::string class_name_of(HWND window);

}  // namespace lumari::test
