#include "sent_log.h"

#include <cstdio>
#include <fstream>

namespace lumari::demo {

SentLog::SentLog(std::optional<std::string> path) : path_(std::move(path)) {}

core::Status SentLog::check_writable() const {
  if (!path_) return core::ok();
  std::ofstream out(*path_, std::ios::binary | std::ios::app);
  if (!out) return core::fail("cannot append to " + *path_);
  return core::ok();
}

void SentLog::record(const std::string& systemid, const std::vector<std::string>& lines) {
  if (lines.empty()) return;
  std::string block;
  for (const auto& line : lines) {
    lines_.emplace_back(systemid, line);
    block += line + "\r\n";
  }
  if (!path_) return;
  // Opened per answer and flushed at once, so a test may read the file while
  // the service runs.
  std::ofstream out(*path_, std::ios::binary | std::ios::app);
  out << block;
  out.flush();
  if (!out) std::fprintf(stderr, "sent log: cannot append to %s\n", path_->c_str());
}

std::string SentLog::text(const std::optional<std::string>& systemid) const {
  std::string text;
  for (const auto& [system, line] : lines_) {
    if (!systemid || *systemid == system) text += line + "\r\n";
  }
  return text;
}

}  // namespace lumari::demo
