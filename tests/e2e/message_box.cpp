#include "message_box.h"

#include "process_windows.h"
#include "screen_capture.h"

namespace lumari::test {
namespace {

constexpr Millis kIconPaintWait{3000};

bool is_icon_static(HWND control) {
  if (class_name_of(control) != "Static") return false;
  const auto style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
  return (style & SS_TYPEMASK) == SS_ICON;
}

// Compares the icon control's pixels with the system's stop and information
// icons drawn here; the box may still be painting, so look again for a while.
BoxIcon classify_icon(HWND icon_control) {
  RECT area{};
  if (!GetWindowRect(icon_control, &area)) return BoxIcon::Other;
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  const auto stop = render_icon_on_dialog_face(LoadIcon(nullptr, IDI_HAND), width, height);
  const auto information =
      render_icon_on_dialog_face(LoadIcon(nullptr, IDI_ASTERISK), width, height);
  if (!stop || !information) return BoxIcon::Other;
  BoxIcon kind = BoxIcon::Other;
  (void)wait_until(
      [&] {
        const auto shown = capture_screen_area(area);
        if (!shown) return false;
        const auto to_stop = image_distance(*shown, *stop);
        const auto to_information = image_distance(*shown, *information);
        if (!to_stop || !to_information) return false;
        // The two icons differ in most of their pixels; a real match is far
        // nearer to one than to the other.
        if (*to_stop * 8 < *to_information) kind = BoxIcon::Critical;
        if (*to_information * 8 < *to_stop) kind = BoxIcon::Information;
        return kind != BoxIcon::Other;
      },
      kIconPaintWait);
  return kind;
}

MessageBoxView read_box(HWND box) {
  MessageBoxView view;
  view.window = box;
  HWND icon_control = nullptr;
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const std::string kind = class_name_of(child);
    if (kind == "Button") {
      ++view.buttons;
      if (GetDlgCtrlID(child) == IDOK) view.ok = child;
    } else if (is_icon_static(child)) {
      icon_control = child;
    } else if (kind == "Static") {
      view.text = window_text(child);
    }
  }
  view.icon = icon_control == nullptr ? BoxIcon::None : classify_icon(icon_control);
  return view;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, BoxIcon icon) {
  switch (icon) {
    case BoxIcon::None: return out << "no icon";
    case BoxIcon::Information: return out << "information icon";
    case BoxIcon::Critical: return out << "critical icon";
    case BoxIcon::Other: return out << "another icon";
  }
  return out;
}

HWND find_message_box(DWORD process_id, const char* caption) {
  return find_top_window(process_id, "#32770", caption);
}

std::optional<MessageBoxView> wait_for_message_box(DWORD process_id, const char* caption,
                                                   Millis limit) {
  HWND box = wait_for([&] { return find_message_box(process_id, caption); }, limit);
  if (box == nullptr) return std::nullopt;
  return read_box(box);
}

void press_ok(const MessageBoxView& box) {
  if (box.ok != nullptr) PostMessageA(box.ok, BM_CLICK, 0, 0);
}

}  // namespace lumari::test
