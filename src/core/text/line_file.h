// Text files of lines as the system keeps them: 8-bit bytes, never decoded; a line
// ends at CR LF, a lone CR or a lone LF; every written line ends with CR LF.
#pragma once

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "ports/result.h"

namespace lumari::core {

/// Calls fn(line) for each line of the bytes, without its line end. A last line
/// without an end counts; an empty text has no lines.
template <typename Fn>
void for_each_line(std::string_view bytes, Fn&& fn) {
  // memchr finds the line ends: an order log can hold a million lines, and a
  // byte-at-a-time scan was the larger part of loading one.
  const auto find = [&bytes](char c, std::size_t from, std::size_t to) {
    const void* at = std::memchr(bytes.data() + from, c, to - from);
    return at ? static_cast<std::size_t>(static_cast<const char*>(at) - bytes.data()) : to;
  };
  const std::size_t size = bytes.size();
  std::size_t next_lf = 0;  // the first LF at or after start, or size
  bool lf_known = false;
  std::size_t start = 0;
  while (start < size) {
    if (!lf_known || next_lf < start) {
      next_lf = find('\n', start, size);
      lf_known = true;
    }
    const std::size_t end = find('\r', start, next_lf);
    fn(bytes.substr(start, end - start));
    if (end == size) break;
    start = end + 1;
    if (bytes[end] == '\r' && start < size && bytes[start] == '\n') ++start;
  }
}

/// The lines of the bytes, without their line ends. A last line without an end
/// counts; an empty text has no lines.
[[nodiscard]] std::vector<std::string> split_lines(std::string_view bytes);

/// Every line followed by CR LF.
[[nodiscard]] std::string join_lines_crlf(const std::vector<std::string>& lines);

/// True when the bytes are exactly the first count lines, each followed by CR LF.
[[nodiscard]] bool is_crlf_text_of(std::string_view bytes,
                                   const std::vector<std::string_view>& lines, std::size_t count);

/// The lines of a file; a missing or unreadable file is a failure.
[[nodiscard]] Result<std::vector<std::string>> read_lines(const std::string& path);

/// Replaces the file with the lines, each followed by CR LF (see replace_file).
[[nodiscard]] Status write_lines(const std::string& path, const std::vector<std::string>& lines);

/// Appends one line and its CR LF, creating the file when missing.
[[nodiscard]] Status append_line(const std::string& path, std::string_view line);

}  // namespace lumari::core
