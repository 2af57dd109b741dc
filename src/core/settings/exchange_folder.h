// Where the exchange files really are. A terminal before build 600 reads the
// experts\files folder of its installation; a current one reads the MQL4\Files
// folder of its data folder, which lies in the installation folder in portable
// mode and otherwise under the user's terminal data root, found by the
// installation path its origin.txt names.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lumari::core {

/// What a front end knows of the terminals' data folders on this machine.
struct TerminalDataRoots {
  /// Folders holding one data folder per terminal installation.
  std::vector<std::string> roots;
  /// Turns the installation path an origin.txt names into a path of this file
  /// system (a Windows path inside a Wine prefix, say); the path as it is when unset.
  std::function<std::string(std::string_view)> map_origin;
  /// Turns UTF-16 text into the system code page; UTF-8 when unset.
  std::function<std::string(std::u16string_view)> from_utf16;
};

/// The folder the exchange files are read from and written to, for the MT4
/// folder `pathname` and its experts\files folder `pathname1`: pathname1 when it
/// exists, else the MT4 folder's MQL4\Files when it exists, else the MQL4\Files of
/// the data folder whose origin.txt names the MT4 folder (the one changed last
/// when several do), else pathname1.
[[nodiscard]] std::string resolve_exchange_folder(std::string_view pathname,
                                                  const std::string& pathname1,
                                                  const TerminalDataRoots& terminals);

/// The installation path an origin.txt holds, decoded (UTF-16 LE with its
/// byte-order mark, UTF-8, else the system code page) and cut at its first line
/// break; empty when the file cannot be read.
[[nodiscard]] std::string origin_path(const std::string& origin_file,
                                      const TerminalDataRoots& terminals);

/// True when both texts name the same folder: letter case, a trailing separator
/// and the kind of separator do not count.
[[nodiscard]] bool same_folder(std::string_view a, std::string_view b);

/// For an MT4 folder inside a Wine prefix (a path with /drive_c/ in it): the
/// terminal data roots of the prefix's users, and the mapping of a Windows path
/// (C:\...) into the prefix. No roots when the folder lies in no prefix.
[[nodiscard]] TerminalDataRoots wine_prefix_terminals(std::string_view mt4_folder);

/// True when the path names an existing folder.
[[nodiscard]] bool folder_exists(const std::string& path);

}  // namespace lumari::core
