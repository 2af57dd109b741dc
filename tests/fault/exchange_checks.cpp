#include "exchange_checks.h"

#include <filesystem>
#include <map>

#include "order_lines.h"
#include "pass_runner.h"
#include "random_cases.h"
#include "shell/data_folder.h"
#include "support/temp_folder.h"
#include "sync/order_record.h"

namespace lumari::test {

namespace fs = std::filesystem;

namespace {

// The first few items of a set, for messages that stay readable.
std::string first_items(const std::vector<std::string>& items) {
  constexpr std::size_t kShown = 5;
  std::string text;
  for (std::size_t i = 0; i < items.size() && i < kShown; ++i) {
    text += "\n    " + printable(items[i]);
  }
  if (items.size() > kShown) text += "\n    ... " + std::to_string(items.size() - kShown) + " more";
  return text;
}

std::string set_differences(const std::set<std::string>& actual,
                            const std::set<std::string>& expected) {
  std::vector<std::string> missing;
  std::vector<std::string> extra;
  for (const auto& line : expected) {
    if (!actual.contains(line)) missing.push_back(line);
  }
  for (const auto& line : actual) {
    if (!expected.contains(line)) extra.push_back(line);
  }
  std::string text;
  if (!missing.empty()) text += "\n  missing lines:" + first_items(missing);
  if (!extra.empty()) text += "\n  extra lines:" + first_items(extra);
  return text;
}

// Lines whose key (as the given function derives it) stands more than once.
template <typename KeyOf>
std::string repeated_keys(const std::vector<std::string>& lines, std::string_view what,
                          KeyOf key_of) {
  std::map<std::string, int> seen;
  std::vector<std::string> repeated;
  for (const auto& line : lines) {
    if (++seen[key_of(line)] == 2) repeated.push_back(line);
  }
  if (repeated.empty()) return {};
  return "\n  " + std::string(what) + " standing more than once:" + first_items(repeated);
}

std::string version_of(const std::string& line) {
  return core::version_key(core::ParseLogLine(line));
}

std::string order_of(const std::string& line) {
  return core::order_key(core::ParseOrderLine(line));
}

}  // namespace

ExchangeBytes read_exchange(const std::string& folder) {
  return {read_bytes(fs::path(folder) / core::kOrderLogFile),
          read_bytes(fs::path(folder) / core::kCurrentOrderFile)};
}

std::set<std::string> line_set(std::string_view text) {
  const auto lines = lines_of(text);
  return {lines.begin(), lines.end()};
}

std::string order_log_breaks(std::string_view before, std::string_view after,
                             const std::set<std::string>& allowed) {
  std::string text;
  if (after.substr(0, before.size()) != before) {
    text += "\n  the old content does not stand whole at the start";
  }
  if (!after.empty() && !after.ends_with("\r\n")) text += "\n  the last line has no CR LF";
  const auto old_lines = line_set(before);
  std::vector<std::string> unknown;
  const auto lines = lines_of(after);
  for (const auto& line : lines) {
    if (!old_lines.contains(line) && !allowed.contains(line)) unknown.push_back(line);
  }
  if (!unknown.empty()) text += "\n  lines neither kept nor received:" + first_items(unknown);
  if (lines.size() < lines_of(before).size()) text += "\n  fewer lines than before";
  text += repeated_keys(lines, "versions", version_of);
  return text;
}

std::string order_log_differences(std::string_view actual, std::string_view expected) {
  const auto lines = lines_of(actual);
  std::string text = set_differences(line_set(actual), line_set(expected));
  text += repeated_keys(lines, "lines", [](const std::string& line) { return line; });
  text += repeated_keys(lines, "versions", version_of);
  return text;
}

std::string current_file_differences(std::string_view actual, std::string_view expected) {
  std::string text = set_differences(line_set(actual), line_set(expected));
  text += repeated_keys(lines_of(actual), "orders", order_of);
  return text;
}

std::vector<std::string> stray_files(const std::string& folder,
                                     const std::set<std::string>& expected) {
  std::vector<std::string> stray;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (!expected.contains(name)) stray.push_back(name);
  }
  return stray;
}

}  // namespace lumari::test
