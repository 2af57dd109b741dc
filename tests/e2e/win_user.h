// What a user sees of another process on the desktop, read through window
// messages: its windows and their controls, its message boxes, the tray, and the
// process itself, with waits for what it does next.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "win32/win32_handles.h"

namespace lumari::test {

using Millis = std::chrono::milliseconds;

/// Calls `find` every few milliseconds until its result tests true or `limit`
/// has passed; the last result.
template <typename Fn>
[[nodiscard]] auto wait_for(Fn&& find, Millis limit) -> decltype(find()) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (true) {
    auto found = find();
    if (found || std::chrono::steady_clock::now() >= deadline) return found;
    Sleep(20);
  }
}

/// A message sent with a time-out, so a hung program cannot hold the driver; its
/// result, or none when it was not handled.
[[nodiscard]] std::optional<LRESULT> send(HWND to, UINT message, WPARAM wparam = 0,
                                          LPARAM lparam = 0);
/// A window's text read with WM_GETTEXT (works for controls of another process).
[[nodiscard]] std::string window_text(HWND window);
[[nodiscard]] std::string class_name_of(HWND window);

/// The first top-level window of the process with the class and, when given, the
/// caption; only visible ones unless `hidden_too`. Null when there is none.
[[nodiscard]] HWND find_window(DWORD process_id, std::string_view class_name,
                               const char* caption = nullptr, bool hidden_too = false);
[[nodiscard]] int count_visible_windows(DWORD process_id, std::string_view class_name);
/// One line per top-level window of the process (with a dialog's texts), for
/// failure reports.
[[nodiscard]] std::string describe_top_windows(DWORD process_id);

/// A message box as the user reads it. The icon ("information", "critical",
/// "none" or "other") is told apart by its pixels, since icon handles cannot be
/// compared across processes under Wine.
struct BoxView {
  std::string text;
  std::string icon = "none";
  HWND ok = nullptr;
  int buttons = 0;
};
[[nodiscard]] BoxView read_box(HWND box);

/// The balloon (of any program) shown on the screen; null when none.
[[nodiscard]] HWND shown_balloon();
/// Whether the notification area holds an icon of this owner and id.
[[nodiscard]] bool tray_icon_present(HWND owner, UINT id);

struct Process {
  win32::UniqueKernelHandle handle;
  DWORD id = 0;
};
/// Starts the program (the command line is it, quoted, then `arguments`) in the
/// folder with this process's environment; none and `error` set on failure.
[[nodiscard]] std::optional<Process> start_process(const std::string& program,
                                                   const std::string& folder,
                                                   const std::string& arguments,
                                                   std::string& error);
/// The exit code once the process has ended within the limit.
[[nodiscard]] std::optional<DWORD> exit_code(const Process& process, Millis limit);

}  // namespace lumari::test
