#include "win32/form_look.h"

#include "win32/resource_ids.h"

namespace lumari::win32 {
namespace {

constexpr int kTwipsPerInch = 1440;
constexpr int kLayoutDpi = 96;
/// 8.25 pt, in hundredths of a point.
constexpr int kFontCentiPoints = 825;

HFONT make_arial(int dpi_y, int weight) {
  LOGFONTA font{};
  // A negative height asks for the character height (the point size) rather
  // than the cell height.
  font.lfHeight = -MulDiv(kFontCentiPoints, dpi_y, 72 * 100);
  font.lfWeight = weight;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
  lstrcpynA(font.lfFaceName, "Arial", LF_FACESIZE);
  return CreateFontIndirectA(&font);
}

HICON load_icon(HINSTANCE instance, int size_x_metric, int size_y_metric) {
  return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(LUMARI_ICON_ID), IMAGE_ICON,
                                       GetSystemMetrics(size_x_metric),
                                       GetSystemMetrics(size_y_metric), LR_DEFAULTCOLOR));
}

}  // namespace

FormLook::FormLook(HINSTANCE instance) {
  if (const HDC screen = GetDC(nullptr)) {
    dpi_x_ = GetDeviceCaps(screen, LOGPIXELSX);
    dpi_y_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  if (dpi_x_ <= 0) dpi_x_ = kLayoutDpi;
  if (dpi_y_ <= 0) dpi_y_ = kLayoutDpi;
  blue_brush_.reset(CreateSolidBrush(kFormBlue));
  regular_font_.reset(make_arial(dpi_y_, FW_NORMAL));
  bold_font_.reset(make_arial(dpi_y_, FW_BOLD));
  large_icon_.reset(load_icon(instance, SM_CXICON, SM_CYICON));
  small_icon_.reset(load_icon(instance, SM_CXSMICON, SM_CYSMICON));
}

Placement FormLook::from_twips(const Placement& twips) const {
  return {MulDiv(twips.left, dpi_x_, kTwipsPerInch), MulDiv(twips.top, dpi_y_, kTwipsPerInch),
          MulDiv(twips.width, dpi_x_, kTwipsPerInch), MulDiv(twips.height, dpi_y_, kTwipsPerInch)};
}

Placement FormLook::from_pixels96(const Placement& pixels) const {
  return {MulDiv(pixels.left, dpi_x_, kLayoutDpi), MulDiv(pixels.top, dpi_y_, kLayoutDpi),
          MulDiv(pixels.width, dpi_x_, kLayoutDpi), MulDiv(pixels.height, dpi_y_, kLayoutDpi)};
}

}  // namespace lumari::win32
