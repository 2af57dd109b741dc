#include "shell/data_folder.h"

#include "text/path_text.h"

namespace lumari::core {

std::string data_folder_of(std::string_view program_folder) {
  return join_path(program_folder, "data");
}

std::string exchange_folder_of(std::string_view mt4_folder) {
  std::string folder(mt4_folder);
  folder += "experts";
  folder += kPathSeparator;
  folder += "files";
  return folder;
}

}  // namespace lumari::core
