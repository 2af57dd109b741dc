// The machine identity that the service ties a login to: the hardware address of
// the last Ethernet adapter in the platform's adapter list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ports/adapter_source.h"

namespace lumari::core {

/// Six address bytes as upper-case hex pairs joined by "-" (00-0C-29-4F-8E-35);
/// missing bytes are written as 00.
[[nodiscard]] std::string FormatAdapterAddress(const std::vector<std::uint8_t>& address);

/// Builds the identity into loginid and returns the text for the main window's
/// identity box: the last Ethernet adapter's address; without one, the adapter
/// count followed by " Adapter(s):" and CR LF (the box then stays empty when the
/// list could not be read); nothing at all, and loginid untouched, when there
/// are no adapters.
[[nodiscard]] std::string GetMachineIdentity(AdapterSource& adapters, std::string& loginid);

}  // namespace lumari::core
