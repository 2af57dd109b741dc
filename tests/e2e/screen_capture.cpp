#include "screen_capture.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "gdi_handles.h"

namespace lumari::test {
namespace {

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

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

void put_u16(std::string& out, std::uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

void put_u32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xFF);
}

}  // namespace

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

std::optional<Image> capture_window(HWND window) {
  RECT area{};
  if (!GetWindowRect(window, &area)) return std::nullopt;
  return capture_screen_area(area);
}

std::optional<Image> capture_whole_screen() {
  const RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  return capture_screen_area(area);
}

bool save_bmp(const Image& image, const std::string& path) {
  const std::uint32_t row_bytes = (static_cast<std::uint32_t>(image.width) * 3 + 3) & ~3u;
  const std::uint32_t pixel_bytes = row_bytes * static_cast<std::uint32_t>(image.height);
  std::string out;
  out.reserve(54 + pixel_bytes);
  out += "BM";
  put_u32(out, 54 + pixel_bytes);
  put_u32(out, 0);
  put_u32(out, 54);
  put_u32(out, 40);
  put_u32(out, static_cast<std::uint32_t>(image.width));
  put_u32(out, static_cast<std::uint32_t>(image.height));  // positive: rows from the bottom
  put_u16(out, 1);
  put_u16(out, 24);
  put_u32(out, BI_RGB);
  put_u32(out, pixel_bytes);
  put_u32(out, 2835);  // 72 dpi
  put_u32(out, 2835);
  put_u32(out, 0);
  put_u32(out, 0);
  for (int y = image.height - 1; y >= 0; --y) {
    const std::size_t start = out.size();
    for (int x = 0; x < image.width; ++x) {
      const std::uint32_t pixel = image.pixels[static_cast<std::size_t>(y) * image.width + x];
      out += static_cast<char>(pixel & 0xFF);
      out += static_cast<char>((pixel >> 8) & 0xFF);
      out += static_cast<char>((pixel >> 16) & 0xFF);
    }
    out.append(row_bytes - (out.size() - start), '\0');
  }
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  return std::fwrite(out.data(), 1, out.size(), file.get()) == out.size();
}

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

}  // namespace lumari::test
