// Cases kept as data: rows of tab-separated fields, one per line, with "#"
// comment lines and blank lines left out. Fields take the escapes \r \n \t \\ and
// \xHH for any byte.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumari::test {

using CaseRow = std::vector<std::string>;

[[nodiscard]] inline std::string unescape(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char c = text[++i];
    if (c == 'x' && i + 2 < text.size()) {
      out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
      i += 2;
      continue;
    }
    out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
  }
  return out;
}

/// The text with each name of `values` (such as "{server}") replaced by its value.
[[nodiscard]] inline std::string with_values(
    std::string text, std::initializer_list<std::pair<std::string_view, std::string>> values) {
  for (const auto& [name, value] : values) {
    // Looking on after the value put in, so that a value holding its name ends.
    for (std::size_t at = 0; (at = text.find(name, at)) != std::string::npos; at += value.size()) {
      text.replace(at, name.size(), value);
    }
  }
  return text;
}

/// Items each followed by "|", so that no items and one empty item differ.
[[nodiscard]] inline std::string listed(const std::vector<std::string>& items) {
  std::string text;
  for (const auto& item : items) text += item + "|";
  return text;
}

[[nodiscard]] inline std::vector<std::string> unlisted(std::string_view text) {
  std::vector<std::string> items;
  for (std::size_t bar; (bar = text.find('|')) != std::string_view::npos;
       text.remove_prefix(bar + 1))
    items.emplace_back(text.substr(0, bar));
  if (!text.empty()) items.emplace_back(text);
  return items;
}

[[nodiscard]] inline std::vector<CaseRow> case_rows(std::string_view text) {
  std::vector<CaseRow> rows;
  while (!text.empty()) {
    const std::string_view line = text.substr(0, text.find('\n'));
    text.remove_prefix(std::min(text.size(), line.size() + 1));
    if (line.empty() || line.front() == '#') continue;
    CaseRow row;
    for (std::size_t from = 0;;) {
      const std::size_t tab = line.find('\t', from);
      row.push_back(unescape(line.substr(from, tab - from)));
      if (tab == std::string_view::npos) break;
      from = tab + 1;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace lumari::test
