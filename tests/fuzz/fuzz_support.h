// What every fuzz target shares: a check that stops the run with a readable
// reason, and the cutting of one input into the parts a target feeds the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "support/printable.h"

namespace lumari::test::fuzz {

/// Separates the parts of inputs that hold several texts (an answer and files).
inline constexpr char kPartSeparator = '\x1f';

/// The input as text, viewed where libFuzzer put it, so that a read one byte past
/// its end is caught.
[[nodiscard]] inline std::string_view as_text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

/// Stops the run when a property does not hold; libFuzzer keeps the input.
inline void require(bool holds, std::string_view what, std::string_view detail = {}) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %.*s\n", static_cast<int>(what.size()), what.data());
  if (!detail.empty()) {
    const std::string shown = printable(detail);
    std::fprintf(stderr, "  %s\n", shown.c_str());
  }
  std::abort();
}

/// The first `count` parts of the text cut at each separator byte; the last part
/// keeps any further separators, and parts the text lacks are empty.
[[nodiscard]] inline std::vector<std::string_view> split_parts(std::string_view text,
                                                               std::size_t count) {
  std::vector<std::string_view> parts;
  parts.reserve(count);
  while (parts.size() + 1 < count) {
    const std::size_t at = text.find(kPartSeparator);
    if (at == std::string_view::npos) break;
    parts.push_back(text.substr(0, at));
    text.remove_prefix(at + 1);
  }
  parts.push_back(text);
  parts.resize(count);
  return parts;
}

/// Leading option byte of a multi-part input, and the rest of it.
struct Flagged {
  std::uint8_t flags = 0;
  std::string_view rest;
};

[[nodiscard]] inline Flagged take_flags(std::string_view text) {
  if (text.empty()) return {};
  return {static_cast<std::uint8_t>(text.front()), text.substr(1)};
}

}  // namespace lumari::test::fuzz
