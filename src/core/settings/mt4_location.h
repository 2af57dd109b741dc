// The MT4 folder taken from the path of the terminal's program file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumari::core {

/// The program file the settings window asks for; matched case-sensitively.
inline constexpr std::string_view kTerminalProgram = "terminal.exe";

/// The text before the first "terminal.exe" in the path ("C:\MT4\terminal.exe"
/// gives "C:\MT4\"), or nothing when the path does not name it.
[[nodiscard]] std::optional<std::string> mt4_folder_of(std::string_view terminal_path);

}  // namespace lumari::core
