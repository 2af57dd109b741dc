// The query of a request target, read the way the service reads it, and the
// form of a target that may be written to a log (no password in it).
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace lumari::demo {

/// The values of a query, percent-decoded, first occurrence of each key. A "+"
/// stays a "+", and a value whose escapes are malformed is taken as written.
class Query {
 public:
  /// Reads the part of the target after its first "?".
  explicit Query(std::string_view target);

  /// The value of a key; empty when the key is missing.
  [[nodiscard]] std::string get(const std::string& key) const;

  /// Whether the key is present, even with an empty value.
  [[nodiscard]] bool has(const std::string& key) const { return values_.count(key) > 0; }

 private:
  std::map<std::string, std::string> values_;
};

/// The target's path (before "?").
[[nodiscard]] std::string_view target_path(std::string_view target);

/// The target's query (after "?") with the value of every "password" key, and
/// any unknown pairs that follow it, replaced by "***".
[[nodiscard]] std::string masked_query(std::string_view target);

}  // namespace lumari::demo
