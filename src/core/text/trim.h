// Trimming as the system does it: space characters only, never tabs or line breaks.
#pragma once

#include <string>
#include <string_view>

namespace lumari::core {

/// The text without leading and trailing spaces (' '); other white space stays.
[[nodiscard]] std::string_view trim_spaces(std::string_view text);

/// Owning form of trim_spaces for callers that keep the result.
[[nodiscard]] inline std::string trimmed(std::string_view text) {
  return std::string(trim_spaces(text));
}

}  // namespace lumari::core
