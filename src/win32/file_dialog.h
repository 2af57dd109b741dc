// The file-open dialog of the settings window.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace lumari::win32 {

/// Lets the user choose one existing file; no filter, title or start folder.
/// `current` is the dialog's current file name. The full path chosen, or
/// nothing when the user cancelled.
[[nodiscard]] std::optional<std::string> choose_file(HWND owner, const std::string& current);

}  // namespace lumari::win32
