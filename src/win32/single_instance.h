// One running program per user: a named mutex in the session's Local namespace,
// named after the user's SID.
#pragma once

#include "win32/win32_handles.h"

namespace lumari::win32 {

struct InstanceClaim {
  UniqueKernelHandle mutex;  ///< held for the run by the first instance
  bool first = true;         ///< false when this user's program runs already
};

/// Claims the user's instance; when the mutex cannot be made at all the program
/// runs anyway.
[[nodiscard]] InstanceClaim claim_instance();

/// Tells the running instance that it was started again: it adds its tray icon
/// once more, should the icon have gone missing.
void remind_running_instance();

}  // namespace lumari::win32
