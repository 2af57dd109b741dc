// Hash index over order and version keys without building the key strings: a key
// is the concatenation of up to three views (val3, val11, val1), so "12"+"3" and
// "1"+"23" are the same key, exactly as the joined texts would be.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace lumari::core {

/// A key made of the concatenation a + b + c.
struct KeyParts {
  std::string_view a;
  std::string_view b;
  std::string_view c;

  [[nodiscard]] std::size_t size() const { return a.size() + b.size() + c.size(); }
};

/// FNV-1a over the key's bytes, fed piece by piece.
class KeyHasher {
 public:
  void add(std::string_view text) {
    for (const char ch : text) {
      hash_ ^= static_cast<unsigned char>(ch);
      hash_ *= 1099511628211ULL;
    }
  }
  [[nodiscard]] std::uint64_t value() const { return hash_; }

 private:
  std::uint64_t hash_ = 14695981039346656037ULL;
};

[[nodiscard]] inline std::uint64_t hash_key(const KeyParts& key) {
  KeyHasher hasher;
  hasher.add(key.a);
  hasher.add(key.b);
  hasher.add(key.c);
  return hasher.value();
}

/// True when the two concatenations are the same text.
[[nodiscard]] bool same_key(const KeyParts& x, const KeyParts& y);

inline constexpr std::size_t kNoEntry = std::numeric_limits<std::size_t>::max();

/// Entries found by key. Entry needs the members `KeyParts key` and
/// `std::size_t next_same_hash`.
template <typename Entry>
class KeyedEntries {
 public:
  [[nodiscard]] std::size_t find(std::uint64_t hash, const KeyParts& key) const {
    const auto it = heads_.find(hash);
    if (it == heads_.end()) return kNoEntry;
    for (std::size_t i = it->second; i != kNoEntry; i = entries_[i].next_same_hash) {
      if (same_key(entries_[i].key, key)) return i;
    }
    return kNoEntry;
  }

  /// Adds an entry whose key is not in the index yet; returns its position.
  std::size_t add(std::uint64_t hash, Entry entry) {
    const std::size_t position = entries_.size();
    auto [it, inserted] = heads_.try_emplace(hash, position);
    entry.next_same_hash = inserted ? kNoEntry : std::exchange(it->second, position);
    entries_.push_back(std::move(entry));
    return position;
  }

  [[nodiscard]] Entry& operator[](std::size_t i) { return entries_[i]; }
  [[nodiscard]] const Entry& operator[](std::size_t i) const { return entries_[i]; }
  [[nodiscard]] std::size_t size() const { return entries_.size(); }

 private:
  std::unordered_map<std::uint64_t, std::size_t> heads_;
  std::vector<Entry> entries_;
};

}  // namespace lumari::core
