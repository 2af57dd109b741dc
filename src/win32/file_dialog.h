// The file-open dialog of the settings window.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace lumari::win32 {

/// Lets the user choose one existing file, the MT4 terminal's program file
/// first among the file types. `current` is the dialog's current file name;
/// `shown_path` the path in the settings window, whose folder the dialog opens
/// in when it exists (else the 32-bit program files folder). The full path
/// chosen, or nothing when the user cancelled.
[[nodiscard]] std::optional<std::string> choose_file(HWND owner, const std::string& current,
                                                     const std::string& shown_path);

}  // namespace lumari::win32
