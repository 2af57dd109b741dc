#include "text/line_file.h"

#include "text/file_io.h"

namespace lumari::core {

std::vector<std::string> split_lines(std::string_view bytes) {
  std::vector<std::string> lines;
  for_each_line(bytes, [&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

std::string join_lines_crlf(const std::vector<std::string>& lines) {
  std::size_t total = 0;
  for (const auto& line : lines) total += line.size() + 2;
  std::string bytes;
  bytes.reserve(total);
  for (const auto& line : lines) {
    bytes += line;
    bytes += "\r\n";
  }
  return bytes;
}

bool is_crlf_text_of(std::string_view bytes, const std::vector<std::string_view>& lines,
                     std::size_t count) {
  std::size_t at = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string_view line = lines[i];
    if (bytes.size() - at < line.size() + 2) return false;
    if (std::memcmp(bytes.data() + at, line.data(), line.size()) != 0) return false;
    at += line.size();
    if (bytes[at] != '\r' || bytes[at + 1] != '\n') return false;
    at += 2;
  }
  return at == bytes.size();
}

Result<std::vector<std::string>> read_lines(const std::string& path) {
  auto bytes = read_file(path);
  if (!bytes) return bytes.error();
  return split_lines(*bytes);
}

Status write_lines(const std::string& path, const std::vector<std::string>& lines) {
  return replace_file(path, join_lines_crlf(lines));
}

Status append_line(const std::string& path, std::string_view line) {
  std::string bytes(line);
  bytes += "\r\n";
  return append_file(path, bytes);
}

}  // namespace lumari::core
