// Trimming as the system does it: space characters only, never tabs or line breaks.
#pragma once

#include <string>
#include <string_view>

namespace lumari::core {

/// The text without leading and trailing spaces (' '); other white space stays.
/// Inline: the reconciliation trims eleven fields of every order-log line.
[[nodiscard]] inline std::string_view trim_spaces(std::string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && text[first] == ' ') ++first;
  while (last > first && text[last - 1] == ' ') --last;
  return text.substr(first, last - first);
}

/// Owning form of trim_spaces for callers that keep the result.
[[nodiscard]] inline std::string trimmed(std::string_view text) {
  return std::string(trim_spaces(text));
}

}  // namespace lumari::core
