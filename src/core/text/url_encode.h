// Percent-encoding of values put into request URLs, so that "+", "&", blanks and
// 8-bit characters reach the service as they were typed.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumari::core {

/// RFC 3986 unreserved characters (A-Z a-z 0-9 - . _ ~) stay; every other byte
/// becomes %XX with upper-case hex digits ("a b+c" -> "a%20b%2Bc").
[[nodiscard]] std::string percent_encode(std::string_view value);

/// The bytes behind %XX escapes; nothing when an escape is malformed.
[[nodiscard]] std::optional<std::string> percent_decode(std::string_view text);

}  // namespace lumari::core
