// Bytes shown for a failure report, one escape per byte that is not plain
// printable ASCII. Every escape starts with a backslash and a backslash is
// itself escaped, so two texts show the same only when their bytes are the
// same: comparing the shown texts compares the bytes.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace lumari::test {

[[nodiscard]] inline std::string printable(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\\': out += "\\\\"; break;
      default:
        if (c >= 0x20 && c < 0x7f) {
          out += ch;
        } else {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
          out += escaped;
        }
    }
  }
  return out;
}

}  // namespace lumari::test
