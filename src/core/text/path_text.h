// Paths as 8-bit text, joined with the separator of the platform the program runs on.
#pragma once

#include <string>
#include <string_view>

namespace lumari::core {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

/// The folder, one separator (unless the folder is empty or already ends in
/// one), then the name.
[[nodiscard]] std::string join_path(std::string_view folder, std::string_view name);

}  // namespace lumari::core
