#include "support/order_expectations.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "sync/order_record.h"
#include "sync/stamp.h"

namespace lumari::test {

OrderLines distinct_versions(const OrderLines& sent) {
  OrderLines versions;
  std::set<std::string> seen;
  for (const auto& line : sent) {
    if (seen.insert(core::version_key(core::ParseLogLine(line))).second) versions.push_back(line);
  }
  return versions;
}

OrderLines latest_versions(const OrderLines& sent) {
  std::map<std::string, std::pair<core::Stamp, std::string>> latest;
  for (const auto& line : sent) {
    const auto record = core::ParseLogLine(line);
    const auto stamp = core::record_stamp(record);
    if (!stamp) continue;
    auto [it, added] = latest.try_emplace(core::order_key(record), *stamp, line);
    if (!added && *stamp > it->second.first) it->second = {*stamp, line};
  }
  OrderLines lines;
  for (const auto& [key, entry] : latest) lines.push_back(entry.second);
  return sorted(lines);
}

OrderLines sorted(OrderLines lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

OrderLines lines_missing_from(const OrderLines& all, const OrderLines& part) {
  const std::set<std::string> present(part.begin(), part.end());
  OrderLines missing;
  for (const auto& line : all) {
    if (!present.contains(line)) missing.push_back(line);
  }
  return missing;
}

std::vector<std::string> request_lines(std::string_view log, std::string_view request_path) {
  std::vector<std::string> lines;
  const std::string marker = " " + std::string(request_path) + " ";
  for (auto end = log.find('\n'); end != std::string_view::npos; end = log.find('\n')) {
    const std::string_view line = log.substr(0, end);
    if (line.find(marker) != std::string_view::npos) lines.emplace_back(line);
    log.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace lumari::test
