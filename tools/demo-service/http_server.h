// The HTTP side of the demo service on 127.0.0.1: routes the service's three
// requests and the /demo/ control requests, and plays the fault modes. httplib
// parses requests and writes answers; the connections themselves are run here
// so that a fault can end one without an answer or with a reset, and so that
// every wait ends as soon as the service stops.
#pragma once

#include <httplib.h>

#include <condition_variable>
#include <functional>
#include <mutex>

#include "connection.h"
#include "fault.h"
#include "ports/result.h"
#include "service.h"

namespace lumari::demo {

class DemoHttpServer final : public httplib::Server {
 public:
  DemoHttpServer(DemoService& service, FaultSwitch& faults);

  /// Listens on 127.0.0.1:port (0: a free port); the port it listens on.
  [[nodiscard]] core::Result<int> bind_loopback(int port);

  /// Accepts and serves connections until shutdown(); false when accepting failed.
  [[nodiscard]] bool serve();

  /// Ends every wait, stops accepting and lets serve() return once the
  /// connections have closed. Safe to call before serve() has started.
  void shutdown();

 private:
  enum class Kind { kLogin, kSelection, kOrders };
  using Compute = std::function<Answer(Effect)>;

  // Replaces httplib's connection loop (a private virtual, overridable like
  // any other) with one over a Connection.
  bool process_and_close_socket(socket_t sock) override;

  void add_routes();
  void serve_service(const httplib::Request& request, httplib::Response& response, Kind kind,
                     const Compute& compute);
  void control_fault(const httplib::Request& request, httplib::Response& response);

  DemoService& service_;
  FaultSwitch& faults_;
  StopSignal stop_;
  std::mutex serving_mutex_;
  std::condition_variable serving_changed_;
  bool serving_ended_ = false;
};

}  // namespace lumari::demo
