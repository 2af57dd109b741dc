// The version keys of every line of the order log, so that a pass over a log
// already known can tell whether a received version is logged without walking
// the log. Eight bytes a line: a slot keeps the upper half of the key's hash and
// the line's position; a match of the half hash is confirmed on the line itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sync/key_index.h"

namespace lumari::core {

class LogVersions {
 public:
  /// Room for this many lines without growing.
  void reserve(std::size_t lines);
  /// Records the line at the position under its version key's hash; false when
  /// the position is too large to be kept (the set is then unusable).
  bool add(std::uint64_t hash, std::size_t position);

  /// The position of a line whose version key is the key, or kNoEntry.
  /// key_at(position) gives the version key of the line at that position.
  template <typename KeyAt>
  [[nodiscard]] std::size_t find(std::uint64_t hash, const KeyParts& key, KeyAt&& key_at) const {
    if (slots_.empty()) return kNoEntry;
    const std::uint32_t tag = tag_of(hash);
    for (std::size_t s = home(tag); slots_[s] != 0; s = (s + 1) & mask_) {
      if (static_cast<std::uint32_t>(slots_[s] >> 32) != tag) continue;
      const std::size_t position = static_cast<std::uint32_t>(slots_[s]) - 1;
      if (same_key(key_at(position), key)) return position;
    }
    return kNoEntry;
  }

  [[nodiscard]] std::size_t size() const { return used_; }

 private:
  [[nodiscard]] static std::uint32_t tag_of(std::uint64_t hash) {
    return static_cast<std::uint32_t>(hash >> 32);
  }
  [[nodiscard]] std::size_t home(std::uint32_t tag) const {
    return static_cast<std::size_t>((static_cast<std::uint64_t>(tag) * 0x9E3779B97F4A7C15ULL) >>
                                    shift_) &
           mask_;
  }
  void grow_to(std::size_t capacity);
  void place(std::uint64_t slot);

  std::vector<std::uint64_t> slots_;  // 0 is an empty slot
  std::size_t mask_ = 0;
  int shift_ = 64;
  std::size_t used_ = 0;
};

}  // namespace lumari::core
