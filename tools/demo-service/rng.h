// A small seeded random source whose sequence is the same on every platform and
// standard library, so a seed names one order stream everywhere.
#pragma once

#include <cstdint>

namespace lumari::demo {

/// SplitMix64: one 64-bit state, one multiply-xorshift output per draw.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}

  /// The next 64 random bits.
  [[nodiscard]] std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }

  /// A whole number from low to high, both included (the tiny modulo bias does
  /// not matter for a demo stream).
  [[nodiscard]] std::int64_t between(std::int64_t low, std::int64_t high) {
    const auto span = static_cast<std::uint64_t>(high - low) + 1;
    return low + static_cast<std::int64_t>(next() % span);
  }

  /// True with the given chance in percent.
  [[nodiscard]] bool percent(int chance) { return between(0, 99) < chance; }

 private:
  std::uint64_t state_;
};

}  // namespace lumari::demo
