// The local clock, with the date and time formats of the process's locale.
#pragma once

#include <memory>

#include "ports/clock.h"

namespace lumari::headless {

[[nodiscard]] std::unique_ptr<core::Clock> make_system_clock();

}  // namespace lumari::headless
