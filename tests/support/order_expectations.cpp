#include "support/order_expectations.h"

#include <algorithm>
#include <map>
#include <set>

#include "reference_model.h"

namespace lumari::test {

// Lines are read with the reference model's own parser and stamp reader, so a
// fault of the program's parsers cannot hide in what is expected of it.
OrderLines distinct_versions(const OrderLines& sent) {
  OrderLines versions;
  std::set<std::string> seen;
  for (const auto& line : sent) {
    if (seen.insert(reference::read_line(line, 0).version_key()).second) versions.push_back(line);
  }
  return versions;
}

OrderLines latest_versions(const OrderLines& sent) {
  std::map<std::string, std::pair<std::array<int, 6>, std::string>> latest;
  for (const auto& line : sent) {
    const auto& record = reference::read_line(line, 0);
    const auto stamp = reference::stamp_of(record.val1);
    if (!stamp) continue;
    auto [it, added] = latest.try_emplace(record.order_key(), *stamp, line);
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
  std::copy_if(all.begin(), all.end(), std::back_inserter(missing),
               [&](const std::string& line) { return !present.contains(line); });
  return missing;
}

std::vector<std::string> request_lines(std::string_view log, std::string_view request_path) {
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
