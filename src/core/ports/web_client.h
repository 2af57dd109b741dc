// Port: HTTP GET of one URL, the body as bytes, or why no complete body came.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "ports/result.h"

namespace lumari::core {

/// What every web client holds to, so that a dead or slow service can never
/// hold the program up for long or fill its memory.
struct WebClientLimits {
  int connect_timeout_ms = 5'000;  ///< to establish the connection
  int deadline_ms = 15'000;        ///< for the whole request, checked between reads
  int max_redirects = 3;
  std::size_t max_body_bytes = 16u << 20;  ///< 16 MiB
};

/// The failure reason of a body over the cap: "body over the 16 MiB cap".
[[nodiscard]] std::string body_over_cap_reason(std::size_t cap);

class WebClient {
 public:
  virtual ~WebClient() = default;

  /// The body of a GET of the URL, whatever the status code (an error page is a
  /// body too). A failure when no complete body came: no connection, time-out,
  /// too many redirects, body over the size cap, body cut short.
  [[nodiscard]] virtual Result<std::string> get(const std::string& url) = 0;
};

/// Makes one client; each owner (login window, selection window, fetch cycle)
/// makes its own on first use and keeps it for the run.
using WebClientFactory = std::function<std::unique_ptr<WebClient>()>;

}  // namespace lumari::core
