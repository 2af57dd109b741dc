// The service base URL: built into the program, overridable at run time so that
// tests and staging can point the program at another service.
#pragma once

#include <string>

namespace lumari::core {

/// The environment variable that overrides the built-in service base URL.
inline constexpr const char* kServiceUrlVariable = "LUMARI_SERVICE_URL";

/// LUMARI_SERVICE_URL when set and not empty, else the built-in URL; without a
/// trailing slash either way.
[[nodiscard]] std::string service_base_url();

}  // namespace lumari::core
