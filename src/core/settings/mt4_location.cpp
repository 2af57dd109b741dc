#include "settings/mt4_location.h"

namespace lumari::core {

std::optional<std::string> mt4_folder_of(std::string_view terminal_path) {
  const std::size_t at = terminal_path.find(kTerminalProgram);
  if (at == std::string_view::npos) return std::nullopt;
  return std::string(terminal_path.substr(0, at));
}

}  // namespace lumari::core
