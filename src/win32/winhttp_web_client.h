// The web client of the Windows program, on WinHTTP.
#pragma once

#include <memory>

#include "ports/web_client.h"

namespace lumari::win32 {

/// A client with its own WinHTTP session, so its own connections; not shared
/// between owners.
[[nodiscard]] std::unique_ptr<core::WebClient> make_winhttp_web_client(
    core::WebClientLimits limits = {});

}  // namespace lumari::win32
