// An ordered list of text lines, as the fetcher window's lists hold them. Lines
// read from a file point into the file's bytes, so a million-line order log is
// one buffer, not a million strings. Line views stay valid until clear().
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace lumari::core {

class LineList {
 public:
  /// Appends the lines of a file's bytes that have at least min_length
  /// characters; returns the bytes as the list keeps them.
  std::string_view append_file_lines(std::string bytes, std::size_t min_length);
  /// Appends the pieces of the text before each separator, unchanged (empty ones
  /// too); returns the text after the last separator, which is not appended.
  [[nodiscard]] std::string append_pieces(std::string text, char separator);
  /// Appends one line (copied into the list's own storage).
  void push_back(std::string line);

  [[nodiscard]] std::size_t size() const { return lines_.size(); }
  [[nodiscard]] bool empty() const { return lines_.empty(); }
  [[nodiscard]] std::string_view operator[](std::size_t i) const { return lines_[i]; }
  [[nodiscard]] const std::vector<std::string_view>& lines() const { return lines_; }

  /// Keeps only the lines at the given positions, in the order given, then
  /// appends the extra lines.
  void rebuild(const std::vector<std::size_t>& keep, std::vector<std::string> extra);

  /// Every line followed by CR LF.
  [[nodiscard]] std::string to_crlf_text() const;

  void clear();
  /// Exchanges the contents; views into either list's lines stay valid.
  void swap(LineList& other) noexcept {
    storage_.swap(other.storage_);
    lines_.swap(other.lines_);
  }

 private:
  std::deque<std::string> storage_;  // a deque never moves what it already holds
  std::vector<std::string_view> lines_;
};

}  // namespace lumari::core
