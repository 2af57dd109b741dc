// Pictures of what is on the (virtual) screen: screenshots of the program's
// windows for the test's output folder, and the pixels that tell a message
// box's icons apart.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumari::test {

/// 32-bit pixels (blue, green, red, unused), rows from the top.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

/// What the screen shows in the area (screen coordinates).
[[nodiscard]] std::optional<Image> capture_screen_area(const RECT& area);
/// What the screen shows where the window is (its frame included).
[[nodiscard]] std::optional<Image> capture_window(HWND window);
/// The whole screen.
[[nodiscard]] std::optional<Image> capture_whole_screen();

/// Writes the image as a 24-bit BMP file; whether that worked.
[[nodiscard]] bool save_bmp(const Image& image, const std::string& path);

/// The icon drawn at its default size on a dialog-coloured area of the given size,
/// as a static icon control draws it.
[[nodiscard]] std::optional<Image> render_icon_on_dialog_face(HICON icon, int width, int height);

/// Sum of the colour differences of two images of one size; nothing when the sizes differ.
[[nodiscard]] std::optional<std::uint64_t> image_distance(const Image& a, const Image& b);

}  // namespace lumari::test
