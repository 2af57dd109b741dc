#include "message_box.h"

#include <cstdlib>
#include <memory>
#include <vector>

#include "gdi_handles.h"
#include "process_windows.h"

namespace lumari::test {
namespace {

constexpr Millis kIconPaintWait{3000};

/// 32-bit pixels (blue, green, red, unused), rows from the top.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

// A top-down 32-bit DIB section selected into a memory DC compatible with the screen.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width), height_(height) {
    ScreenDc screen;
    dc_.reset(CreateCompatibleDC(screen.get()));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
    if (dc_ && bitmap_) selected_ = std::make_unique<SelectedObject>(dc_.get(), bitmap_.get());
  }

  [[nodiscard]] bool ready() const { return selected_ != nullptr && bits_ != nullptr; }
  [[nodiscard]] HDC dc() const { return dc_.get(); }

  [[nodiscard]] Image image() const {
    GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits_);
    Image image;
    image.width = width_;
    image.height = height_;
    image.pixels.assign(first, first + static_cast<std::size_t>(width_) * height_);
    return image;
  }

 private:
  int width_;
  int height_;
  void* bits_ = nullptr;
  UniqueMemoryDc dc_;
  UniqueGdiObject bitmap_;
  std::unique_ptr<SelectedObject> selected_;  // released before the bitmap and the DC
};

std::optional<Image> capture_screen_area(const RECT& area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return std::nullopt;
  Canvas canvas(width, height);
  if (!canvas.ready()) return std::nullopt;
  ScreenDc screen;
  if (!BitBlt(canvas.dc(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY)) {
    return std::nullopt;
  }
  return canvas.image();
}

// The icon drawn at its default size on a dialog-coloured area, as a static
// icon control draws it.
std::optional<Image> render_icon_on_dialog_face(HICON icon, int width, int height) {
  if (width <= 0 || height <= 0) return std::nullopt;
  Canvas canvas(width, height);
  if (!canvas.ready()) return std::nullopt;
  const RECT all{0, 0, width, height};
  FillRect(canvas.dc(), &all, GetSysColorBrush(COLOR_3DFACE));
  if (!DrawIconEx(canvas.dc(), 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE)) {
    return std::nullopt;
  }
  return canvas.image();
}

std::optional<std::uint64_t> image_distance(const Image& a, const Image& b) {
  if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size()) {
    return std::nullopt;
  }
  std::uint64_t distance = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) {
    for (int shift = 0; shift < 24; shift += 8) {
      const int left = static_cast<int>((a.pixels[i] >> shift) & 0xFF);
      const int right = static_cast<int>((b.pixels[i] >> shift) & 0xFF);
      distance += static_cast<std::uint64_t>(std::abs(left - right));
    }
  }
  return distance;
}

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
