// What a user sees of another process on the desktop, read through window
// messages: its windows and their controls, its message boxes, the tray, and the
// process itself, with waits for what it does next.
#pragma once

#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <dlgs.h>
#include <shellapi.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "win32/win32_handles.h"

namespace lumari::test {

using Millis = std::chrono::milliseconds;

/// Calls `find` until its result tests true or `limit` has passed; the last result.
template <typename Fn>
[[nodiscard]] auto wait_for(Fn&& find, Millis limit) -> decltype(find()) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (true) {
    auto found = find();
    if (found || std::chrono::steady_clock::now() >= deadline) return found;
    Sleep(20);
  }
}

/// A message's result, none when it was not handled within a time-out (a hung program).
[[nodiscard]] inline std::optional<LRESULT> send(HWND to, UINT message, WPARAM wparam = 0,
                                                 LPARAM lparam = 0) {
  DWORD_PTR result = 0;
  const bool handled =
      SendMessageTimeoutA(to, message, wparam, lparam, SMTO_ABORTIFHUNG, 5000, &result) != 0;
  return handled ? std::optional(static_cast<LRESULT>(result)) : std::nullopt;
}

/// A window's text read with WM_GETTEXT (works for controls of another process).
[[nodiscard]] inline std::string window_text(HWND window) {
  char text[1024] = {};
  const auto copied = send(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return copied ? std::string(text, static_cast<std::size_t>(*copied)) : std::string();
}

[[nodiscard]] inline std::string class_name_of(HWND window) {
  char name[128] = {};
  GetClassNameA(window, name, static_cast<int>(sizeof name));
  return name;
}

/// A top-level window's caption. GetWindowText of another process's window reads
/// the stored caption without sending it a message, so a busy program cannot stall it.
[[nodiscard]] inline std::string caption_of(HWND window) {
  char caption[256] = {};
  GetWindowTextA(window, caption, static_cast<int>(sizeof caption));
  return caption;
}

/// The process's top-level windows in z-order; with a class, the visible ones (hidden
/// too if `hidden_too`) of the class and, when given, the caption.
[[nodiscard]] inline std::vector<HWND> top_windows(DWORD process_id, const char* class_name = {},
                                                   const char* caption = {},
                                                   bool hidden_too = false) {
  std::pair<DWORD, std::vector<HWND>> found{process_id, {}};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto& [wanted, windows] = *reinterpret_cast<decltype(found)*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == wanted) windows.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  if (class_name != nullptr) {
    std::erase_if(found.second, [&](HWND window) {
      return (!hidden_too && !IsWindowVisible(window)) || class_name_of(window) != class_name ||
             (caption != nullptr && caption_of(window) != caption);
    });
  }
  return found.second;
}

/// The first of those windows; null when there is none.
[[nodiscard]] inline HWND find_window(DWORD process_id, const char* class_name,
                                      const char* caption = {}, bool hidden_too = false) {
  const auto found = top_windows(process_id, class_name, caption, hidden_too);
  return found.empty() ? nullptr : found.front();
}

/// One line per top-level window of the process (with a dialog's texts).
[[nodiscard]] inline std::string describe_top_windows(DWORD process_id) {
  const auto windows = top_windows(process_id);
  std::ostringstream text;
  text << "top-level windows of process " << process_id << ": " << windows.size() << "\n";
  for (HWND window : windows) {
    text << "  " << window << " class \"" << class_name_of(window) << "\" caption \""
         << caption_of(window) << "\" " << (IsWindowVisible(window) ? "visible" : "hidden");
    for (HWND child = GetWindow(window, GW_CHILD); child && class_name_of(window) == "#32770";
         child = GetWindow(child, GW_HWNDNEXT)) {
      text << " [" << class_name_of(child) << " \"" << window_text(child) << "\"]";
    }
    text << "\n";
  }
  return text.str();
}

using Pixels = std::vector<std::uint8_t>;

/// The pixels (blue, green, red, unused; rows from the top) of a 32-bit DIB
/// section that `paint(dc, screen)` drew on.
template <typename Paint>
[[nodiscard]] std::optional<Pixels> draw(int width, int height, Paint paint) {
  if (width <= 0 || height <= 0) return std::nullopt;
  const std::unique_ptr<std::remove_pointer_t<HDC>, void (*)(HDC)> screen(
      GetDC(nullptr), [](HDC dc) { ReleaseDC(nullptr, dc); });
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  // Declared before the DC, so that the DC (and its selection) goes first.
  const std::unique_ptr<std::remove_pointer_t<HBITMAP>, decltype(&DeleteObject)> bitmap(
      CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0), &DeleteObject);
  const std::unique_ptr<std::remove_pointer_t<HDC>, decltype(&DeleteDC)> dc(
      CreateCompatibleDC(screen.get()), &DeleteDC);
  if (!bitmap || !dc || !SelectObject(dc.get(), bitmap.get()) || !paint(dc.get(), screen.get())) {
    return std::nullopt;
  }
  GdiFlush();
  const auto* first = static_cast<const std::uint8_t*>(bits);
  return Pixels(first, first + std::size_t{4} * width * height);
}

/// Saves what the screen shows of the window (of the whole screen when null) as a
/// 32-bit BMP file, once the window has painted what it still had to.
inline bool save_screenshot(HWND window, const std::string& path) {
  RECT at{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (window != nullptr && !GetWindowRect(window, &at)) return false;
  if (window != nullptr) RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  const int width = at.right - at.left, height = at.bottom - at.top;
  auto pixels = draw(width, height, [&](HDC dc, HDC screen) {
    return BitBlt(dc, 0, 0, width, height, screen, at.left, at.top, SRCCOPY) != FALSE;
  });
  if (!pixels) return false;
  for (std::size_t i = 3; i < pixels->size(); i += 4) (*pixels)[i] = 0xFF;  // opaque
  const BITMAPINFOHEADER info{sizeof info, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof info;
  const BITMAPFILEHEADER file{0x4D42 /* BM */, offset + DWORD(pixels->size()), 0, 0, offset};
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file)
      .write(reinterpret_cast<const char*>(&info), sizeof info)
      .write(reinterpret_cast<const char*>(pixels->data()), std::streamsize(pixels->size()));
  return out.good();
}

/// Which icon an icon control shows: "critical", "information" or "other". Icon handles
/// cannot be compared across processes under Wine, so its pixels are compared with the
/// system's stop and information icons drawn on a dialog-coloured area, as the control
/// draws them; the box may still be painting, so it looks again for a while.
[[nodiscard]] inline std::string icon_of(HWND control) {
  RECT at{};
  GetWindowRect(control, &at);
  const int width = at.right - at.left;
  const int height = at.bottom - at.top;
  const auto icon = [&](LPCSTR id) {
    return draw(width, height, [&](HDC dc, HDC) {
      const RECT all{0, 0, width, height};
      FillRect(dc, &all, GetSysColorBrush(COLOR_3DFACE));
      return DrawIconEx(dc, 0, 0, LoadIconA(nullptr, id), 0, 0, 0, nullptr,
                        DI_NORMAL | DI_DEFAULTSIZE) != FALSE;
    });
  };
  const auto stop = icon(IDI_HAND);
  const auto information = icon(IDI_ASTERISK);
  const auto distance = [](const Pixels& a, const Pixels& b) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += i % 4 == 3 ? 0 : std::abs(a[i] - b[i]);
    return sum;
  };
  std::string kind = "other";
  (void)wait_for(
      [&] {
        const auto shown = draw(width, height, [&](HDC dc, HDC screen) {
          return BitBlt(dc, 0, 0, width, height, screen, at.left, at.top, SRCCOPY) != FALSE;
        });
        if (!shown || !stop || !information) return false;
        // The two icons differ in most of their pixels; a real match is far
        // nearer to one than to the other.
        const std::uint64_t to_stop = distance(*shown, *stop);
        const std::uint64_t to_information = distance(*shown, *information);
        if (to_stop * 8 < to_information) kind = "critical";
        if (to_information * 8 < to_stop) kind = "information";
        return kind != "other";
      },
      Millis{3000});
  return kind;
}

/// A message box as the user reads it.
struct BoxView {
  std::string text;
  std::string icon = "none";  ///< or what icon_of says
  HWND ok = nullptr;
  int buttons = 0;
};

[[nodiscard]] inline BoxView read_box(HWND box) {
  BoxView view;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const std::string kind = class_name_of(child);
    if (kind == "Button") {
      ++view.buttons;
      if (GetDlgCtrlID(child) == IDOK) view.ok = child;
    } else if (kind == "Static" && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      view.icon = icon_of(child);
    } else if (kind == "Static") {
      view.text = window_text(child);
    }
  }
  return view;
}

/// A balloon (of any program) shown on the screen other than `seen`; null when none.
[[nodiscard]] inline HWND shown_balloon(HWND seen = nullptr) {
  for (HWND tip = nullptr; (tip = FindWindowExA(nullptr, tip, TOOLTIPS_CLASSA, nullptr));) {
    if (tip != seen && IsWindowVisible(tip) && (GetWindowLongA(tip, GWL_STYLE) & TTS_BALLOON)) {
      return tip;
    }
  }
  return nullptr;
}

/// Whether the notification area holds an icon of this owner and id: a
/// modification that changes nothing succeeds only for an icon that exists.
[[nodiscard]] inline bool tray_icon_present(HWND owner, UINT id) {
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof data;
  data.hWnd = owner;
  data.uID = id;
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

struct Process {
  win32::UniqueKernelHandle handle;
  DWORD id = 0;
};

/// Starts the program (the command line is it, quoted, then `arguments`) in the
/// folder with this process's environment; none and `error` set on failure.
[[nodiscard]] inline std::optional<Process> start_process(const std::string& program,
                                                          const std::string& folder,
                                                          const std::string& arguments,
                                                          std::string& error) {
  std::string command_line = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created{};
  if (!CreateProcessA(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &created)) {
    error = "CreateProcess " + program + ": error " + std::to_string(GetLastError());
    return std::nullopt;
  }
  CloseHandle(created.hThread);
  return Process{win32::UniqueKernelHandle(created.hProcess), created.dwProcessId};
}

/// The exit code once the process has ended within the limit.
[[nodiscard]] inline std::optional<DWORD> exit_code(const Process& process, Millis limit) {
  DWORD code = 0;
  const HANDLE handle = process.handle.get();
  return WaitForSingleObject(handle, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0 &&
                 GetExitCodeProcess(handle, &code)
             ? std::optional(code)
             : std::nullopt;
}

}  // namespace lumari::test
