// What the demo service saw and sent: its request log (one line per request on
// its stderr), its sent log (every order line it answered with), and plain GET
// requests to it from "another computer".
#pragma once

#include <string>
#include <vector>

namespace lumari::test {

/// One /GetTD.do request as the request log shows it.
struct OrderRequest {
  std::string systemid;
  std::string userid;
  std::string loginid;
  std::string outcome;  ///< what the service answered ("2 line(s)", "idle", ...)
};

/// The complete lines of the request log (a line still being written is left out).
[[nodiscard]] std::vector<std::string> request_log_lines(const std::string& path);

/// The order requests of the request log, in order.
[[nodiscard]] std::vector<OrderRequest> order_requests(const std::string& path);

/// The request log lines of one request path ("/LumariLoginSelectSystemAction.do").
[[nodiscard]] std::vector<std::string> requests_to(const std::string& path,
                                                   const std::string& request_path);

/// The body of a GET of the URL; empty when no body came.
[[nodiscard]] std::string service_get(const std::string& url);

}  // namespace lumari::test
