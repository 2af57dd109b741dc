// The service's diagnostic output: one line per request on stderr, never on
// stdout (which carries only the port) and never with a password in it.
#pragma once

#include <string_view>

namespace lumari::demo {

/// "<local time> <path> <query, password masked> -> <note>".
void log_request(std::string_view target, std::string_view note);

/// One free-form line with the time in front.
void log_line(std::string_view text);

}  // namespace lumari::demo
