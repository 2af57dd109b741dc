#include "sync/line_list.h"

#include "text/line_file.h"

namespace lumari::core {

std::string_view LineList::append_file_lines(std::string bytes, std::size_t min_length) {
  if (bytes.empty()) return {};
  const std::string_view text = storage_.emplace_back(std::move(bytes));
  for_each_line(text, [&](std::string_view line) {
    if (line.size() >= min_length) lines_.push_back(line);
  });
  return text;
}

std::string LineList::append_pieces(std::string text, char separator) {
  const std::size_t last = text.rfind(separator);
  if (last == std::string::npos) return text;
  std::string rest = text.substr(last + 1);
  text.resize(last + 1);
  const std::string_view stored = storage_.emplace_back(std::move(text));
  std::size_t start = 0;
  for (std::size_t end = stored.find(separator); end != std::string_view::npos;
       end = stored.find(separator, start)) {
    lines_.push_back(stored.substr(start, end - start));
    start = end + 1;
  }
  return rest;
}

void LineList::push_back(std::string line) {
  lines_.push_back(storage_.emplace_back(std::move(line)));
}

void LineList::rebuild(const std::vector<std::size_t>& keep, std::vector<std::string> extra) {
  std::vector<std::string_view> lines;
  lines.reserve(keep.size() + extra.size());
  for (const std::size_t i : keep) lines.push_back(lines_[i]);
  for (auto& line : extra) lines.push_back(storage_.emplace_back(std::move(line)));
  lines_ = std::move(lines);
}

std::string LineList::to_crlf_text() const {
  std::size_t total = 0;
  for (const auto line : lines_) total += line.size() + 2;
  std::string text;
  text.reserve(total);
  for (const auto line : lines_) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void LineList::clear() {
  // The memory goes too: an order log's lines are megabytes of views.
  std::vector<std::string_view>().swap(lines_);
  storage_.clear();
}

}  // namespace lumari::core
