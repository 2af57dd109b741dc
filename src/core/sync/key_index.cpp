#include "sync/key_index.h"

#include <algorithm>

namespace lumari::core {

bool same_key(const KeyParts& x, const KeyParts& y) {
  if (x.size() != y.size()) return false;
  const std::string_view xs[] = {x.a, x.b, x.c};
  const std::string_view ys[] = {y.a, y.b, y.c};
  std::size_t xi = 0;
  std::size_t yi = 0;
  std::string_view xp = xs[0];
  std::string_view yp = ys[0];
  while (true) {
    while (xp.empty() && xi < 2) xp = xs[++xi];
    while (yp.empty() && yi < 2) yp = ys[++yi];
    if (xp.empty() || yp.empty()) return xp.empty() && yp.empty();
    const std::size_t n = std::min(xp.size(), yp.size());
    if (std::memcmp(xp.data(), yp.data(), n) != 0) return false;
    xp.remove_prefix(n);
    yp.remove_prefix(n);
  }
}

}  // namespace lumari::core
