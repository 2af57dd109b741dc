// Hash index over order and version keys without building the key strings: a key
// is the concatenation of up to three views (val3, val11, val1), so "12"+"3" and
// "1"+"23" are the same key, exactly as the joined texts would be.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
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
    if (slots_.empty()) return kNoEntry;
    for (std::size_t s = home(hash); slots_[s].head != kNoEntry; s = (s + 1) & mask_) {
      if (slots_[s].hash != hash) continue;
      for (std::size_t i = slots_[s].head; i != kNoEntry; i = entries_[i].next_same_hash) {
        if (same_key(entries_[i].key, key)) return i;
      }
      return kNoEntry;
    }
    return kNoEntry;
  }

  /// Adds an entry whose key is not in the index yet; returns its position.
  std::size_t add(std::uint64_t hash, Entry entry) {
    if ((used_ + 1) * 2 > slots_.size()) grow();
    const std::size_t position = entries_.size();
    Slot& slot = slots_[slot_for(hash)];
    if (slot.head == kNoEntry) {
      slot.hash = hash;
      ++used_;
    }
    entry.next_same_hash = std::exchange(slot.head, position);
    entries_.push_back(std::move(entry));
    return position;
  }

  [[nodiscard]] Entry& operator[](std::size_t i) { return entries_[i]; }
  [[nodiscard]] const Entry& operator[](std::size_t i) const { return entries_[i]; }
  [[nodiscard]] std::size_t size() const { return entries_.size(); }

 private:
  // One slot per distinct hash value, found by linear probing from its home;
  // the entries sharing a hash value are chained through next_same_hash.
  struct Slot {
    std::uint64_t hash = 0;
    std::size_t head = kNoEntry;
  };

  [[nodiscard]] std::size_t home(std::uint64_t hash) const {
    // Fibonacci hashing spreads the FNV value's high bits over the table.
    return static_cast<std::size_t>((hash * 0x9E3779B97F4A7C15ULL) >> shift_) & mask_;
  }

  // The slot holding the hash value, or the empty slot where it belongs.
  [[nodiscard]] std::size_t slot_for(std::uint64_t hash) const {
    std::size_t s = home(hash);
    while (slots_[s].head != kNoEntry && slots_[s].hash != hash) s = (s + 1) & mask_;
    return s;
  }

  void grow() {
    const std::size_t capacity = slots_.empty() ? 16 : slots_.size() * 2;
    std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(capacity));
    mask_ = capacity - 1;
    shift_ = 64;
    for (std::size_t c = capacity; c > 1; c >>= 1) --shift_;
    for (const Slot& slot : old) {
      if (slot.head != kNoEntry) slots_[slot_for(slot.hash)] = slot;
    }
  }

  std::vector<Slot> slots_;
  std::size_t mask_ = 0;
  int shift_ = 64;
  std::size_t used_ = 0;
  std::vector<Entry> entries_;
};

}  // namespace lumari::core
