// Where the headless program takes the password from: a file or an environment
// variable, never the command line or the config file, so that it shows up in
// no process list and no file a user is told to make readable.
#pragma once

#include <iosfwd>
#include <string>

#include "headless/options.h"
#include "ports/result.h"

namespace lumari::headless {

/// The password that the options name (empty when they name none), or why it
/// cannot be had. A password file that others may read is used, with a warning
/// on `warnings`.
[[nodiscard]] core::Result<std::string> read_password(const Options& options,
                                                      std::ostream& warnings);

}  // namespace lumari::headless
