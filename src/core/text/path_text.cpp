#include "text/path_text.h"

namespace lumari::core {

std::string join_path(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != kPathSeparator && path.back() != '/') path += kPathSeparator;
  path += name;
  return path;
}

}  // namespace lumari::core
