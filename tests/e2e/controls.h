// Working the controls of another process's window as a user would: typing into
// edit boxes, clicking buttons and check boxes, picking a combo box entry.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace lumari::test {

/// The text of the child control with the id; empty when there is none.
[[nodiscard]] std::string control_text(HWND window, int id);

/// Replaces an edit box's text (WM_SETTEXT, sent with a time-out); whether it took.
[[nodiscard]] bool set_control_text(HWND window, int id, std::string_view text);

/// Clicks a button whose handler may open a modal box: BM_CLICK is posted, so
/// the driver is not held until that box closes.
[[nodiscard]] bool post_click(HWND window, int id);

/// Clicks a check box and returns once the click has been handled.
[[nodiscard]] bool send_click(HWND window, int id);

/// Whether the check box is ticked.
[[nodiscard]] bool is_checked(HWND window, int id);

/// Selects the combo box entry with exactly this text and tells the window, as
/// a user's choice would (CBN_SELCHANGE); whether the entry was found.
[[nodiscard]] bool choose_combo_entry(HWND window, int id, std::string_view entry);

/// Number of entries of a combo box; -1 when it cannot be read.
[[nodiscard]] int combo_entry_count(HWND window, int id);

}  // namespace lumari::test
