// The web client of the Linux front end, on libcurl.
#pragma once

#include <memory>

#include "ports/web_client.h"

namespace lumari::headless {

/// A client with its own connection cache; not shared between owners.
[[nodiscard]] std::unique_ptr<core::WebClient> make_curl_web_client(
    core::WebClientLimits limits = {});

}  // namespace lumari::headless
