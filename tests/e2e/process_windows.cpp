#include "process_windows.h"

#include <sstream>

namespace lumari::test {
namespace {

constexpr UINT kMessageTimeoutMs = 5000;

BOOL CALLBACK collect(HWND hwnd, LPARAM param) {
  auto& found = *reinterpret_cast<std::pair<DWORD, std::vector<TopWindow>>*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != found.first) return TRUE;
  TopWindow window;
  window.hwnd = hwnd;
  window.class_name = class_name_of(hwnd);
  // GetWindowText of another process's top-level window reads the stored
  // caption without sending it a message, so a busy program cannot stall it.
  char caption[256] = {};
  GetWindowTextA(hwnd, caption, static_cast<int>(sizeof caption));
  window.caption = caption;
  window.visible = IsWindowVisible(hwnd) != FALSE;
  GetWindowRect(hwnd, &window.rect);
  found.second.push_back(std::move(window));
  return TRUE;
}

}  // namespace

std::vector<TopWindow> top_level_windows(DWORD process_id) {
  std::pair<DWORD, std::vector<TopWindow>> found{process_id, {}};
  EnumWindows(collect, reinterpret_cast<LPARAM>(&found));
  return std::move(found.second);
}

std::string describe_top_windows(DWORD process_id) {
  std::ostringstream text;
  const auto windows = top_level_windows(process_id);
  text << "top-level windows of process " << process_id << ": " << windows.size() << "\n";
  for (const auto& window : windows) {
    text << "  " << window.hwnd << " class \"" << window.class_name << "\" caption \""
         << window.caption << "\" " << (window.visible ? "visible" : "hidden") << " at ("
         << window.rect.left << "," << window.rect.top << ")-(" << window.rect.right << ","
         << window.rect.bottom << ")";
    if (window.class_name == "#32770") {
      // A dialog (message box): show the texts of its children as well.
      for (HWND child = GetWindow(window.hwnd, GW_CHILD); child != nullptr;
           child = GetWindow(child, GW_HWNDNEXT)) {
        text << " [" << class_name_of(child) << " \"" << window_text(child) << "\"]";
      }
    }
    text << "\n";
  }
  return text.str();
}

HWND find_top_window(DWORD process_id, std::string_view class_name,
                     std::optional<std::string_view> caption) {
  for (const auto& window : top_level_windows(process_id)) {
    if (!window.visible || window.class_name != class_name) continue;
    if (caption && window.caption != *caption) continue;
    return window.hwnd;
  }
  return nullptr;
}

int count_visible_windows(DWORD process_id, std::string_view class_name) {
  int count = 0;
  for (const auto& window : top_level_windows(process_id)) {
    if (window.visible && window.class_name == class_name) ++count;
  }
  return count;
}

HWND wait_for_top_window(DWORD process_id, std::string_view class_name,
                         std::optional<std::string_view> caption, Millis limit) {
  return wait_for([&] { return find_top_window(process_id, class_name, caption); }, limit);
}

HWND find_any_top_window(DWORD process_id, std::string_view class_name) {
  for (const auto& window : top_level_windows(process_id)) {
    if (window.class_name == class_name) return window.hwnd;
  }
  return nullptr;
}

bool wait_until_gone(HWND window, Millis limit) {
  return wait_until([&] { return !IsWindow(window) || !IsWindowVisible(window); }, limit);
}

std::string window_text(HWND window) {
  char text[1024] = {};
  DWORD_PTR copied = 0;
  if (SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                          SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied) == 0) {
    return {};
  }
  return std::string(text, static_cast<std::size_t>(copied));
}

std::string class_name_of(HWND window) {
  char name[128] = {};
  GetClassNameA(window, name, static_cast<int>(sizeof name));
  return name;
}

}  // namespace lumari::test
