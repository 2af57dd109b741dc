// The look shared by the program's windows: the screen's DPI, the blue
// background, the Arial 8.25 pt fonts and the icon, made once for the run.
#pragma once

#include <windows.h>

#include "win32/win32_handles.h"

namespace lumari::win32 {

/// The background of the windows, their labels and check boxes.
inline constexpr COLORREF kFormBlue = RGB(0, 0, 255);
/// The text colour of the labels on the blue background.
inline constexpr COLORREF kLabelText = RGB(255, 255, 255);

/// A rectangle given as left, top, width and height.
struct Placement {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

class FormLook {
 public:
  /// Reads the screen's DPI, makes the brush and fonts and loads the icon.
  explicit FormLook(HINSTANCE instance);

  /// Twips (1440 to the inch) to pixels at the screen's DPI.
  [[nodiscard]] Placement from_twips(const Placement& twips) const;
  /// Pixels of a 96 DPI layout to pixels at the screen's DPI.
  [[nodiscard]] Placement from_pixels96(const Placement& pixels) const;

  [[nodiscard]] HBRUSH blue_brush() const { return blue_brush_.get(); }
  /// Arial 8.25 pt, regular.
  [[nodiscard]] HFONT regular_font() const { return regular_font_.get(); }
  /// Arial 8.25 pt, bold.
  [[nodiscard]] HFONT bold_font() const { return bold_font_.get(); }
  /// The application icon at the system's large and small icon sizes.
  [[nodiscard]] HICON large_icon() const { return large_icon_.get(); }
  [[nodiscard]] HICON small_icon() const { return small_icon_.get(); }

 private:
  int dpi_x_ = 96;
  int dpi_y_ = 96;
  UniqueBrush blue_brush_;
  UniqueFont regular_font_;
  UniqueFont bold_font_;
  UniqueIcon large_icon_;
  UniqueIcon small_icon_;
};

}  // namespace lumari::win32
