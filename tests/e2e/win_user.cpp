#include "win_user.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <type_traits>
#include <vector>

namespace lumari::test {
namespace {

std::vector<HWND> top_windows(DWORD process_id) {
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
  return found.second;
}

// GetWindowText of another process's top-level window reads the stored caption
// without sending it a message, so a busy program cannot stall it.
std::string caption_of(HWND window) {
  char caption[256] = {};
  GetWindowTextA(window, caption, static_cast<int>(sizeof caption));
  return caption;
}

using Pixels = std::vector<std::uint32_t>;

// The pixels (blue, green, red, unused; rows from the top) of a 32-bit DIB
// section that `paint(dc, screen)` drew on.
template <typename Paint>
std::optional<Pixels> draw(int width, int height, Paint paint) {
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
  if (!bitmap || !dc || SelectObject(dc.get(), bitmap.get()) == nullptr ||
      !paint(dc.get(), screen.get())) {
    return std::nullopt;
  }
  GdiFlush();
  const auto* first = static_cast<const std::uint32_t*>(bits);
  return Pixels(first, first + static_cast<std::size_t>(width) * height);
}

std::uint64_t distance(const Pixels& a, const Pixels& b) {
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    for (int shift = 0; shift < 24; shift += 8) {
      sum += static_cast<std::uint64_t>(std::abs(static_cast<int>((a[i] >> shift) & 0xFF) -
                                                 static_cast<int>((b[i] >> shift) & 0xFF)));
    }
  }
  return sum;
}

// Compares the icon control's pixels with the system's stop and information
// icons drawn on a dialog-coloured area, as a static icon control draws them; the
// box may still be painting, so look again for a while.
std::string icon_of(HWND control) {
  RECT area{};
  GetWindowRect(control, &area);
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  const auto icon = [&](LPCSTR id) {
    return draw(width, height, [id, width, height](HDC dc, HDC) {
      const RECT all{0, 0, width, height};
      FillRect(dc, &all, GetSysColorBrush(COLOR_3DFACE));
      return DrawIconEx(dc, 0, 0, LoadIconA(nullptr, id), 0, 0, 0, nullptr,
                        DI_NORMAL | DI_DEFAULTSIZE) != FALSE;
    });
  };
  const auto stop = icon(IDI_HAND);
  const auto information = icon(IDI_ASTERISK);
  if (!stop || !information) return "other";
  std::string kind = "other";
  (void)wait_for(
      [&] {
        const auto shown = draw(width, height, [&](HDC dc, HDC screen) {
          return BitBlt(dc, 0, 0, width, height, screen, area.left, area.top, SRCCOPY) != FALSE;
        });
        if (!shown) return false;
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

}  // namespace

std::optional<LRESULT> send(HWND to, UINT message, WPARAM wparam, LPARAM lparam) {
  DWORD_PTR result = 0;
  if (SendMessageTimeoutA(to, message, wparam, lparam, SMTO_ABORTIFHUNG, 5000, &result) == 0) {
    return std::nullopt;
  }
  return static_cast<LRESULT>(result);
}

std::string window_text(HWND window) {
  char text[1024] = {};
  const auto copied = send(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return copied ? std::string(text, static_cast<std::size_t>(*copied)) : std::string();
}

std::string class_name_of(HWND window) {
  char name[128] = {};
  GetClassNameA(window, name, static_cast<int>(sizeof name));
  return name;
}

HWND find_window(DWORD process_id, std::string_view class_name, const char* caption,
                 bool hidden_too) {
  for (HWND window : top_windows(process_id)) {
    if ((hidden_too || IsWindowVisible(window)) && class_name_of(window) == class_name &&
        (caption == nullptr || caption_of(window) == caption)) {
      return window;
    }
  }
  return nullptr;
}

int count_visible_windows(DWORD process_id, std::string_view class_name) {
  int count = 0;
  for (HWND window : top_windows(process_id)) {
    count += IsWindowVisible(window) && class_name_of(window) == class_name ? 1 : 0;
  }
  return count;
}

std::string describe_top_windows(DWORD process_id) {
  const auto windows = top_windows(process_id);
  std::ostringstream text;
  text << "top-level windows of process " << process_id << ": " << windows.size() << "\n";
  for (HWND window : windows) {
    RECT at{};
    GetWindowRect(window, &at);
    text << "  " << window << " class \"" << class_name_of(window) << "\" caption \""
         << caption_of(window) << "\" " << (IsWindowVisible(window) ? "visible" : "hidden")
         << " at (" << at.left << "," << at.top << ")-(" << at.right << "," << at.bottom << ")";
    if (class_name_of(window) == "#32770") {
      for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        text << " [" << class_name_of(child) << " \"" << window_text(child) << "\"]";
      }
    }
    text << "\n";
  }
  return text.str();
}

BoxView read_box(HWND box) {
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

HWND shown_balloon() {
  for (HWND tip = nullptr; (tip = FindWindowExA(nullptr, tip, TOOLTIPS_CLASSA, nullptr));) {
    if (IsWindowVisible(tip) && (GetWindowLongA(tip, GWL_STYLE) & TTS_BALLOON) != 0) return tip;
  }
  return nullptr;
}

bool tray_icon_present(HWND owner, UINT id) {
  // A modification that changes nothing succeeds only for an icon that exists.
  NOTIFYICONDATAA data{};
  data.cbSize = sizeof data;
  data.hWnd = owner;
  data.uID = id;
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

std::optional<Process> start_process(const std::string& program, const std::string& folder,
                                     const std::string& arguments, std::string& error) {
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

std::optional<DWORD> exit_code(const Process& process, Millis limit) {
  DWORD code = 0;
  if (WaitForSingleObject(process.handle.get(), static_cast<DWORD>(limit.count())) !=
          WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.handle.get(), &code)) {
    return std::nullopt;
  }
  return code;
}

}  // namespace lumari::test
