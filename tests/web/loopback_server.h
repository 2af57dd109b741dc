// A small HTTP server on 127.0.0.1 for the web client tests, on raw sockets so a
// test can misbehave on the wire: stall, trickle, cut a body short, reset.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace lumari::test {

/// One request as it arrived.
struct HttpRequest {
  std::string method;
  std::string target;  ///< path and query, byte for byte as sent
  std::string head;    ///< request line and headers
};

class LoopbackServer;

/// The server's side of one accepted connection, handed to the handler.
class ServerConnection {
 public:
  /// Sends all bytes; false when the peer is gone or the server is stopping.
  bool send(std::string_view bytes);
  /// Sends one byte at a time with a pause between; stops early (false) when the
  /// peer is gone or the server is stopping.
  bool send_slowly(std::string_view bytes, std::chrono::milliseconds pause);
  /// Aborts the connection: the peer sees a reset, not an orderly close.
  void reset();
  /// Blocks until the peer closes or the server stops; reads and drops input.
  void wait_until_closed();

 private:
  friend class LoopbackServer;
  struct State;
  explicit ServerConnection(State& state) : state_(state) {}
  State& state_;
};

/// Answers one request; returns true to keep the connection for another one.
using RequestHandler = std::function<bool(ServerConnection&, const HttpRequest&)>;

class LoopbackServer {
 public:
  explicit LoopbackServer(RequestHandler handler);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  /// Listens on 127.0.0.1 with a port the system picks; connections are queued
  /// from the moment this returns true, so nobody has to wait for readiness.
  [[nodiscard]] bool start();
  /// Ends every connection and joins every thread.
  void stop();

  [[nodiscard]] int port() const { return port_; }
  /// "http://127.0.0.1:<port>" followed by the path.
  [[nodiscard]] std::string url(std::string_view path) const;
  /// Every request received so far, in arrival order.
  [[nodiscard]] std::vector<HttpRequest> requests() const;

 private:
  friend class ServerConnection;
  struct Worker;
  void accept_loop();
  void serve(ServerConnection::State& state);
  /// Waits until the socket has input or its peer has closed; false once the
  /// server is stopping.
  [[nodiscard]] bool wait_for_input(std::intptr_t socket) const;

  RequestHandler handler_;
  std::intptr_t listener_ = -1;
  std::intptr_t wake_ = -1;  ///< a datagram socket: readable once stop() has begun
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;
  mutable std::mutex mutex_;
  std::condition_variable stop_signal_;
  std::list<std::unique_ptr<Worker>> workers_;
  std::vector<HttpRequest> requests_;
};

/// A port on 127.0.0.1 that is bound but not listening, so a connection to it is
/// refused for as long as the object lives.
class RefusingPort {
 public:
  RefusingPort();
  ~RefusingPort();
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;
  /// 0 when no port could be bound.
  [[nodiscard]] int port() const { return port_; }

 private:
  std::intptr_t socket_ = -1;
  int port_ = 0;
};

/// A whole response with Content-Length: status line, headers, blank line, body.
[[nodiscard]] std::string http_response(int status, std::string_view body,
                                        std::string_view extra_headers = {});

}  // namespace lumari::test
