// Reading the small files a user names in the options (the config file, the
// password file), with the system's reason when that fails.
#pragma once

#include <string>

#include "ports/result.h"

namespace lumari::headless {

/// The file's bytes, or why they cannot be had ("No such file or directory").
/// Anything over 1 MiB is refused: no such file of ours is that large.
[[nodiscard]] core::Result<std::string> read_local_file(const std::string& path);

}  // namespace lumari::headless
