#include "query.h"

#include <vector>

#include "text/url_encode.h"

namespace lumari::demo {
namespace {

std::string_view query_part(std::string_view target) {
  const auto mark = target.find('?');
  return mark == std::string_view::npos ? std::string_view{} : target.substr(mark + 1);
}

std::vector<std::string_view> split_pairs(std::string_view query) {
  std::vector<std::string_view> pairs;
  while (!query.empty()) {
    const auto amp = query.find('&');
    pairs.push_back(query.substr(0, amp));
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return pairs;
}

std::string decoded(std::string_view text) {
  auto value = core::percent_decode(text);
  return value ? *value : std::string(text);
}

}  // namespace

Query::Query(std::string_view target) {
  for (const auto pair : split_pairs(query_part(target))) {
    const auto equals = pair.find('=');
    const auto key = decoded(pair.substr(0, equals));
    const auto value =
        equals == std::string_view::npos ? std::string{} : decoded(pair.substr(equals + 1));
    values_.try_emplace(key, value);
  }
}

std::string Query::get(const std::string& key) const {
  const auto found = values_.find(key);
  return found == values_.end() ? std::string{} : found->second;
}

std::string_view target_path(std::string_view target) { return target.substr(0, target.find('?')); }

std::string masked_query(std::string_view target) {
  // A client that does not escape values sends a password holding "&" as
  // several pairs; everything up to the next key the service knows is masked.
  static const std::vector<std::string_view> kKnownKeys{"email",   "password", "systemid", "userid",
                                                        "loginid", "mode",     "count"};
  std::string masked;
  bool first = true;
  bool in_password = false;
  for (const auto pair : split_pairs(query_part(target))) {
    const auto equals = pair.find('=');
    const auto key = decoded(pair.substr(0, equals));
    bool known = false;
    for (const auto known_key : kKnownKeys) known = known || key == known_key;
    if (in_password && !known) continue;
    in_password = key == "password";
    if (!first) masked += '&';
    first = false;
    masked += in_password ? std::string(pair.substr(0, equals)) + "=***" : std::string(pair);
  }
  return masked;
}

}  // namespace lumari::demo
