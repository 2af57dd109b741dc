// The network adapter list of a Linux machine, from the interface list.
#pragma once

#include <memory>

#include "ports/adapter_source.h"

namespace lumari::headless {

/// Interfaces with a hardware address, in the order the system lists them; an
/// Ethernet interface has the adapter type 6, loopback 24, every other kind 1.
[[nodiscard]] std::unique_ptr<core::AdapterSource> make_linux_adapter_source();

}  // namespace lumari::headless
