// The local clock, with the user's short date and time formats.
#pragma once

#include <windows.h>

#include <memory>

#include "ports/clock.h"

namespace lumari::win32 {

/// The date and time as the system's calls take them.
[[nodiscard]] SYSTEMTIME to_system_time(const core::DateTime& when);

/// Local time from GetLocalTime; texts from GetDateFormatA / GetTimeFormatA
/// with the user's default locale.
[[nodiscard]] std::unique_ptr<core::Clock> make_windows_clock();

}  // namespace lumari::win32
