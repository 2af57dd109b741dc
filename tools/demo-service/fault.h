// Fault modes of the demo service: how a request is to go wrong, parsed from
// --fault and /demo/fault, and the switch that hands the mode in force to each
// request.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "ports/result.h"

namespace lumari::demo {

enum class FaultKind {
  kNone,
  kDelay,         ///< answer normally after delay_ms
  kHang,          ///< read the request, never answer, keep the connection until shutdown
  kErrorPage,     ///< status 500 with an HTML body
  kTruncated,     ///< Content-Length larger than the body sent, then close
  kHuge,          ///< a 17 MiB body
  kReset,         ///< close with RST (SO_LINGER 0) instead of answering
  kTrickle,       ///< the body one byte every 500 ms
  kEmpty,         ///< status 200, empty body
  kRedirectLoop,  ///< 302 to the same URL
};

struct Fault {
  FaultKind kind = FaultKind::kNone;
  int delay_ms = 0;
};

/// "none", "delay:<ms>", "hang", "error-page", "truncated", "huge", "reset",
/// "trickle", "empty" or "redirect-loop".
[[nodiscard]] core::Result<Fault> parse_fault(std::string_view text);

/// The written form of a mode, as parse_fault reads it.
[[nodiscard]] std::string fault_text(const Fault& fault);

/// The fault mode in force. A mode set without a count lasts until changed; a
/// mode set with a count covers that many requests, after which the mode that
/// lasts until changed applies again.
class FaultSwitch {
 public:
  /// `standing` is the mode of --fault; with all_requests it covers every
  /// service request, not only order requests.
  FaultSwitch(Fault standing, bool all_requests);

  /// Switches the mode, for `count` requests or until changed.
  void set(const Fault& fault, std::optional<int> count);

  /// The fault of one request; a request it does not cover gets kNone and
  /// uses up nothing.
  [[nodiscard]] Fault take(bool order_request);

 private:
  std::mutex mutex_;
  Fault standing_;
  bool all_requests_;
  Fault counted_;
  int remaining_ = 0;
};

}  // namespace lumari::demo
