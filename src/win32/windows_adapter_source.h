// The network adapter list of a Windows machine, from the IP helper.
#pragma once

#include <memory>

#include "ports/adapter_source.h"

namespace lumari::win32 {

/// The adapters that GetAdaptersInfo lists, in its order, with their own type
/// codes (6 for Ethernet).
[[nodiscard]] std::unique_ptr<core::AdapterSource> make_windows_adapter_source();

}  // namespace lumari::win32
