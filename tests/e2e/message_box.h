// The program's message boxes as another process sees them: a visible #32770
// dialog captioned with the application's title, its text, which icon it shows,
// and its OK button.
#pragma once

#include <windows.h>

#include <optional>
#include <ostream>
#include <string>

#include "wait.h"

namespace lumari::test {

enum class BoxIcon { None, Information, Critical, Other };

std::ostream& operator<<(std::ostream& out, BoxIcon icon);

struct MessageBoxView {
  HWND window = nullptr;
  std::string text;  ///< the text of the Static that is not the icon
  BoxIcon icon = BoxIcon::None;
  HWND ok = nullptr;  ///< the IDOK button
  int buttons = 0;    ///< how many buttons the box has
};

/// A visible message box of the process with the given caption; null when none.
[[nodiscard]] HWND find_message_box(DWORD process_id, const char* caption);

/// Waits for a message box and reads it (the icon is told apart by its pixels,
/// since icon handles cannot be compared across processes under Wine).
[[nodiscard]] std::optional<MessageBoxView> wait_for_message_box(DWORD process_id,
                                                                 const char* caption, Millis limit);

/// Presses OK by posting BM_CLICK, as a click would; the box closes afterwards.
void press_ok(const MessageBoxView& box);

}  // namespace lumari::test
