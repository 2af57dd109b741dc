#include "sync/log_versions.h"

#include <utility>

namespace lumari::core {

void LogVersions::reserve(std::size_t lines) {
  std::size_t capacity = 16;
  while (capacity < lines * 2) capacity *= 2;
  if (capacity > slots_.size()) grow_to(capacity);
}

bool LogVersions::add(std::uint64_t hash, std::size_t position) {
  // Positions are kept plus one in 32 bits, so that a zero slot is empty.
  if (position >= 0xFFFFFFFEu) return false;
  if ((used_ + 1) * 2 > slots_.size()) grow_to(slots_.empty() ? 16 : slots_.size() * 2);
  place((static_cast<std::uint64_t>(tag_of(hash)) << 32) | (position + 1));
  ++used_;
  return true;
}

void LogVersions::grow_to(std::size_t capacity) {
  std::vector<std::uint64_t> old = std::exchange(slots_, std::vector<std::uint64_t>(capacity));
  mask_ = capacity - 1;
  shift_ = 64;
  for (std::size_t c = capacity; c > 1; c >>= 1) --shift_;
  for (const std::uint64_t slot : old) {
    if (slot != 0) place(slot);
  }
}

void LogVersions::place(std::uint64_t slot) {
  std::size_t s = home(static_cast<std::uint32_t>(slot >> 32));
  while (slots_[s] != 0) s = (s + 1) & mask_;
  slots_[s] = slot;
}

}  // namespace lumari::core
