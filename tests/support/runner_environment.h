// What tests/support/wine_run.sh hands a Windows test program: Linux paths,
// which Wine shows under drive Z:, in environment variables.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

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

/// The lines of the demo service's request log (its bytes) for one request path
/// ("/GetTD.do"), in order; a line still being written is left for later.
[[nodiscard]] inline std::vector<std::string> request_lines(std::string_view log,
                                                            std::string_view request_path) {
  std::vector<std::string> lines;
  const std::string marker = " " + std::string(request_path) + " ";
  for (auto end = log.find('\n'); end != std::string_view::npos; end = log.find('\n')) {
    if (log.substr(0, end).find(marker) != std::string_view::npos)
      lines.emplace_back(log.substr(0, end));
    log.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace lumari::test
