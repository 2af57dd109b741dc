// Every way the service can fail an order request, and what a tick must make
// of it. One table, and one test program, for both web clients: the Linux one
// natively and WinHTTP under Wine.
#pragma once

#include <chrono>
#include <string_view>

namespace lumari::test {

/// The tick's end, as the cycle reports it.
enum class FaultEnd { NoAnswer, ErrorPage, Orders, AnyGood };

struct ServiceFault {
  const char* mode;  ///< the demo service's fault mode; "refuse": nobody listens on the port
  int requests;      ///< order requests the fault covers (Linux client)
  int requests_winhttp;
  FaultEnd end;
  const char* problem;  ///< the reason the tick gives ("" for none)
  const char* problem_winhttp;
  bool waits_for_deadline = false;     ///< the tick ends at the web client's deadline
  std::chrono::milliseconds delay{0};  ///< a late but good answer: the files change
};

// A reset kept-alive connection is tried once more on a new one by the Linux
// client; WinHTTP under Wine does not, and reports a reset that comes while it
// waits for the status line as no HTTP answer. A redirect loop costs the first
// request and the three redirects the client follows.
inline constexpr ServiceFault kServiceFaults[] = {
    {"refuse", 0, 0, FaultEnd::NoAnswer, "connection refused", "connection refused"},
    {"hang", 1, 1, FaultEnd::NoAnswer, "timed out", "timed out", true},
    {"trickle", 1, 1, FaultEnd::NoAnswer, "timed out", "timed out", true},
    {"truncated", 1, 1, FaultEnd::NoAnswer, "body cut short", "body cut short"},
    {"huge", 1, 1, FaultEnd::NoAnswer, "body over the 16 MiB cap", "body over the 16 MiB cap"},
    {"reset", 2, 1, FaultEnd::NoAnswer, "connection reset", "connection reset|no HTTP answer"},
    {"error-page", 1, 1, FaultEnd::ErrorPage, "", ""},
    {"redirect-loop", 4, 4, FaultEnd::NoAnswer, "too many redirects", "too many redirects"},
    {"empty", 1, 1, FaultEnd::Orders, "", ""},
    {"delay:3000", 1, 1, FaultEnd::AnyGood, "", "", false, std::chrono::milliseconds{3000}},
};

/// True when `problem` is one of the '|'-separated reasons in `allowed`.
[[nodiscard]] inline bool problem_allowed(std::string_view allowed, std::string_view problem) {
  for (;;) {
    const auto bar = allowed.find('|');
    if (allowed.substr(0, bar) == problem) return true;
    if (bar == std::string_view::npos) return false;
    allowed.remove_prefix(bar + 1);
  }
}

}  // namespace lumari::test
