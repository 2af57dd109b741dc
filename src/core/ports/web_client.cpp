#include "ports/web_client.h"

namespace lumari::core {

std::string body_over_cap_reason(std::size_t cap) {
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  constexpr std::size_t kKiB = std::size_t{1} << 10;
  std::string amount;
  if (cap >= kMiB && cap % kMiB == 0) {
    amount = std::to_string(cap / kMiB) + " MiB";
  } else if (cap >= kKiB && cap % kKiB == 0) {
    amount = std::to_string(cap / kKiB) + " KiB";
  } else {
    amount = std::to_string(cap) + " byte";
  }
  return "body over the " + amount + " cap";
}

}  // namespace lumari::core
