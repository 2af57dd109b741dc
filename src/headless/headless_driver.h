// Runs the program's main job without windows: start-up, the first-run settings
// step, the login, the selection and the polling, answering each window the way
// the options say, as a user of the tray program would.
#pragma once

#include <iosfwd>

#include "headless/options.h"

namespace lumari::headless {

enum ExitCode : int {
  kExitOk = 0,
  kExitLoginFailed = 2,
  kExitForcedLogout = 3,
  kExitSettingsRejected = 4,
  kExitNoSystem = 5,
  kExitUsage = 64,
  kExitServiceUnreachable = 75,
};

/// Runs until the cycles are done, a signal arrives or the session ends; returns
/// the exit code. Status lines go to out, message boxes and problems to err.
[[nodiscard]] int run_headless(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace lumari::headless
