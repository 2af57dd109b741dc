// What every fuzz target shares: a check that stops the run with a readable
// reason, and the cutting of one input into an option byte and parts.
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

/// Stops the run when a property does not hold; libFuzzer keeps the input.
inline void require(bool holds, std::string_view what, std::string_view detail = {}) {
  if (holds) return;
  const std::string shown = printable(detail);
  std::fprintf(stderr, "property broken: %.*s\n  %s\n", static_cast<int>(what.size()), what.data(),
               shown.c_str());
  std::abort();
}

/// An input as libFuzzer hands it over: its first byte as options, then `count`
/// texts separated by 0x1F (the last keeps any further separators; missing ones
/// are empty). The views point where libFuzzer put the bytes, so a read past the
/// end is caught.
struct Input {
  std::uint8_t flags = 0;
  std::vector<std::string_view> parts;
};

[[nodiscard]] inline Input take_input(const std::uint8_t* data, std::size_t size,
                                      std::size_t count) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  Input input;
  if (!text.empty()) {
    input.flags = static_cast<std::uint8_t>(text.front());
    text.remove_prefix(1);
  }
  while (input.parts.size() + 1 < count && text.find('\x1f') != std::string_view::npos) {
    input.parts.push_back(text.substr(0, text.find('\x1f')));
    text.remove_prefix(input.parts.back().size() + 1);
  }
  input.parts.push_back(text);
  input.parts.resize(count);
  return input;
}

}  // namespace lumari::test::fuzz
