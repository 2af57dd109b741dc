// Where the program's own files and the MT4 exchange files live.
#pragma once

#include <string>
#include <string_view>

namespace lumari::core {

inline constexpr std::string_view kInstallFile = "install.dat";      ///< first-run marker
inline constexpr std::string_view kSettingsFile = "settings.dat";    ///< MT4 folder
inline constexpr std::string_view kRunLogFile = "lumari.dat";        ///< one line per Exit
inline constexpr std::string_view kSavedLoginFile = "chklogin.dat";  ///< saved-login records
inline constexpr std::string_view kSystemsFile = "systemp.dat";  ///< the account's trade systems
inline constexpr std::string_view kDateFile = "datefile.dat";    ///< login date of the run

inline constexpr std::string_view kOrderLogFile = "Lumari.log";  ///< every version received
inline constexpr std::string_view kCurrentOrderFile =
    "ServerOrder.log";  ///< latest version of each order
inline constexpr std::string_view kSystemOrderFile =
    "SystemOrder.log";  ///< written by the MT4 side

/// The program folder's data folder.
[[nodiscard]] std::string data_folder_of(std::string_view program_folder);

/// The MT4 exchange folder of an MT4 folder: the folder text followed directly
/// by experts and files (no separator is added after the MT4 folder itself).
[[nodiscard]] std::string exchange_folder_of(std::string_view mt4_folder);

}  // namespace lumari::core
