#include "settings/exchange_folder.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "text/file_io.h"
#include "text/path_text.h"

namespace lumari::core {

namespace {

namespace fs = std::filesystem;

std::string utf8_of(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// The UTF-16 units of well-formed UTF-8, or nothing when the bytes are not UTF-8
// (text in the system code page, then).
std::optional<std::u16string> utf16_of_utf8(std::string_view text) {
  std::u16string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                               : lead >= 0xE0                ? 3
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                                                             : 0;
    if (length == 0 || i + length > text.size()) return std::nullopt;
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      c = (c << 6) | (next & 0x3F);
    }
    i += length;
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

std::string local_text(std::u16string_view text, const TerminalDataRoots& terminals) {
  return terminals.from_utf16 ? terminals.from_utf16(text) : utf8_of(text);
}

std::string decoded(std::string_view bytes, const TerminalDataRoots& terminals) {
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    std::u16string units;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                     static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    return local_text(units, terminals);
  }
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  // Plain ASCII, or UTF-8 on a system whose code page is UTF-8, stays as it is.
  if (!terminals.from_utf16) return std::string(bytes);
  if (const auto units = utf16_of_utf8(bytes)) return local_text(*units, terminals);
  return std::string(bytes);
}

bool is_separator(char c) { return c == '\\' || c == '/'; }

char folded(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view without_trailing_separators(std::string_view path) {
  while (!path.empty() && is_separator(path.back())) path.remove_suffix(1);
  return path;
}

// The MQL4\Files folder inside a folder that ends in a separator, as the MT4
// folder does; one is added when it does not.
std::string files_folder_in(std::string_view folder) {
  std::string path(folder);
  if (!path.empty() && !is_separator(path.back())) path += kPathSeparator;
  path += "MQL4";
  path += kPathSeparator;
  path += "Files";
  return path;
}

std::optional<fs::file_time_type> changed_at(const std::string& path) {
  std::error_code error;
  const auto time = fs::last_write_time(fs::path(path), error);
  if (error) return std::nullopt;
  return time;
}

}  // namespace

bool folder_exists(const std::string& path) {
  std::error_code error;
  return !path.empty() && fs::is_directory(fs::path(path), error);
}

bool same_folder(std::string_view a, std::string_view b) {
  a = without_trailing_separators(a);
  b = without_trailing_separators(b);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (is_separator(a[i]) ? !is_separator(b[i]) : folded(a[i]) != folded(b[i])) return false;
  }
  return true;
}

std::string origin_path(const std::string& origin_file, const TerminalDataRoots& terminals) {
  const auto bytes = read_file(origin_file);
  if (!bytes) return {};
  std::string text = decoded(*bytes, terminals);
  text.resize(std::min(text.size(), text.find_first_of(std::string_view("\r\n\0", 3))));
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string resolve_exchange_folder(std::string_view pathname, const std::string& pathname1,
                                    const TerminalDataRoots& terminals) {
  // Without an MT4 folder there is no installation to look for.
  if (folder_exists(pathname1) || pathname.empty()) return pathname1;
  if (std::string portable = files_folder_in(pathname); folder_exists(portable)) return portable;

  std::string best;
  std::optional<fs::file_time_type> best_time;
  for (const std::string& root : terminals.roots) {
    std::error_code error;
    for (fs::directory_iterator it(fs::path(root), error), end; !error && it != end;
         it.increment(error)) {
      const std::string data_folder = it->path().string();
      std::string origin = origin_path(join_path(data_folder, "origin.txt"), terminals);
      if (origin.empty()) continue;
      if (terminals.map_origin) origin = terminals.map_origin(origin);
      if (!same_folder(origin, pathname)) continue;
      std::string files = files_folder_in(data_folder);
      const auto time = changed_at(files);
      if (!time || !folder_exists(files)) continue;
      if (!best_time || *time > *best_time) {
        best = std::move(files);
        best_time = time;
      }
    }
  }
  return best.empty() ? pathname1 : best;
}

TerminalDataRoots wine_prefix_terminals(std::string_view mt4_folder) {
  TerminalDataRoots terminals;
  const std::size_t at = mt4_folder.find("/drive_c/");
  if (at == std::string_view::npos) return terminals;
  const std::string prefix(mt4_folder.substr(0, at));
  std::error_code error;
  for (fs::directory_iterator it(fs::path(prefix + "/drive_c/users"), error), end;
       !error && it != end; it.increment(error)) {
    const std::string root = it->path().string() + "/AppData/Roaming/MetaQuotes/Terminal";
    if (folder_exists(root)) terminals.roots.push_back(root);
  }
  terminals.map_origin = [prefix](std::string_view path) {
    const bool drive = path.size() >= 3 && path[1] == ':' && is_separator(path[2]) &&
                       folded(path[0]) >= 'a' && folded(path[0]) <= 'z';
    if (!drive) return std::string(path);
    // Drive C is the prefix's own folder; the others are its device links.
    const char letter = folded(path[0]);
    std::string local = prefix + (letter == 'c' ? std::string("/drive_c")
                                                : "/dosdevices/" + std::string(1, letter) + ":");
    for (const char c : path.substr(2)) local += c == '\\' ? '/' : c;
    return local;
  };
  return terminals;
}

}  // namespace lumari::core
