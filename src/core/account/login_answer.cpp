#include "account/login_answer.h"

#include <cmath>

#include "text/lenient_number.h"

namespace lumari::core {

std::string user_id_of(std::string_view answer) {
  const std::size_t semicolon = answer.find(';');
  const std::string_view text =
      semicolon == std::string_view::npos ? " " : answer.substr(0, semicolon);
  const double id = lenient_number(text);
  return std::isfinite(id) ? number_text(id) : "0";
}

std::vector<SystemEntry> take_login_systems(std::string& rest) {
  std::vector<SystemEntry> systems;
  std::string_view text = rest;
  for (std::size_t p = text.find(';'); p != std::string_view::npos; p = text.find(';')) {
    SystemEntry entry;
    entry.id = std::string(text.substr(0, p));
    text.remove_prefix(p + 1);
    const std::size_t q = text.find(';');
    if (q != std::string_view::npos) {
      entry.name = std::string(text.substr(0, q));
      text.remove_prefix(q + 1);
    } else {
      entry.name = std::string(text);
    }
    systems.push_back(std::move(entry));
    if (q == std::string_view::npos) break;
  }
  rest = std::string(text);
  return systems;
}

}  // namespace lumari::core
