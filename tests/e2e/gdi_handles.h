// RAII owners of the GDI and kernel handles the driver uses.
#pragma once

#include <windows.h>

#include "win32/win32_handles.h"

namespace lumari::test {

struct MemoryDcTraits {
  using Handle = HDC;
  static Handle invalid() { return nullptr; }
  static void close(Handle dc) { DeleteDC(dc); }
};
struct GdiObjectTraits {
  using Handle = HGDIOBJ;
  static Handle invalid() { return nullptr; }
  static void close(Handle object) { DeleteObject(object); }
};

using UniqueMemoryDc = win32::UniqueHandle<MemoryDcTraits>;
using UniqueGdiObject = win32::UniqueHandle<GdiObjectTraits>;

/// The screen's device context, released when the object goes.
class ScreenDc {
 public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  ~ScreenDc() {
    if (dc_ != nullptr) ReleaseDC(nullptr, dc_);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  [[nodiscard]] HDC get() const { return dc_; }

 private:
  HDC dc_;
};

/// Selects an object into a device context and puts the old one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~SelectedObject() { SelectObject(dc_, old_); }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace lumari::test
