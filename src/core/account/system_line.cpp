#include "account/system_line.h"

namespace lumari::core {

void SplitSystemLine(std::string_view line, std::string& spsysid, std::string& spsysname) {
  const std::size_t p = line.find(';');
  if (p == std::string_view::npos) {
    spsysid = std::string(line);
    spsysname.clear();
    return;
  }
  spsysid = std::string(line.substr(0, p));
  spsysname = std::string(line.substr(p + 1));
}

std::string system_id_of_entry(std::string_view entry) {
  return std::string(entry.substr(0, entry.find(' ')));
}

}  // namespace lumari::core
