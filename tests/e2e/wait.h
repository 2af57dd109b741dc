// Waiting for what another process does: a condition is checked every few
// milliseconds until it holds or its time is up.
#pragma once

#include <windows.h>

#include <chrono>

namespace lumari::test {

using Millis = std::chrono::milliseconds;

/// How often a wait looks again.
inline constexpr Millis kPollStep{20};

/// Calls `ready` until it returns true or `limit` has passed; whether it did.
template <typename Fn>
[[nodiscard]] bool wait_until(Fn&& ready, Millis limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (true) {
    if (ready()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    Sleep(static_cast<DWORD>(kPollStep.count()));
  }
}

/// Calls `find` until its result tests true or `limit` has passed; the last result.
template <typename Fn>
[[nodiscard]] auto wait_for(Fn&& find, Millis limit) -> decltype(find()) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (true) {
    auto found = find();
    if (found || std::chrono::steady_clock::now() >= deadline) return found;
    Sleep(static_cast<DWORD>(kPollStep.count()));
  }
}

}  // namespace lumari::test
