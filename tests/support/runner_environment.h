// What tests/support/wine_run.sh hands a Windows test program: Linux paths,
// which Wine shows under drive Z:, in environment variables.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <string>

namespace lumari::test {

/// A Linux path as Wine shows it ("/tmp/x" is "Z:\tmp\x"); other text unchanged.
[[nodiscard]] inline std::string windows_path(std::string text) {
  if (text.empty() || text.front() != '/') return text;
  std::replace(text.begin(), text.end(), '/', '\\');
  return "Z:" + text;
}

/// The runner's environment variable (under Wine a path made a Windows one);
/// empty when unset.
[[nodiscard]] inline std::string runner_value(const char* name) {
  const char* value = std::getenv(name);
#ifdef _WIN32
  return windows_path(value != nullptr ? value : "");
#else
  return value != nullptr ? value : "";
#endif
}

}  // namespace lumari::test
