// Every order line the service has sent, per system, kept in memory for the
// /demo/sent request and, when a file is given, appended to it as CR LF lines,
// so a test can compare a client's files with what really went out.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ports/result.h"

namespace lumari::demo {

class SentLog {
 public:
  /// Without a path only the in-memory copy is kept.
  explicit SentLog(std::optional<std::string> path);

  /// Whether the file (if any) can be opened for appending.
  [[nodiscard]] core::Status check_writable() const;

  /// Records the lines of one answer, in the order they were sent.
  void record(const std::string& systemid, const std::vector<std::string>& lines);

  /// The recorded lines of one system, or of every system in the order they
  /// were sent, each followed by CR LF.
  [[nodiscard]] std::string text(const std::optional<std::string>& systemid) const;

 private:
  std::optional<std::string> path_;
  std::vector<std::pair<std::string, std::string>> lines_;  // systemid, line
};

}  // namespace lumari::demo
