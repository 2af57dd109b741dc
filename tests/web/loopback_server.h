// A small HTTP server on 127.0.0.1 for the web client tests, on raw sockets so a
// test can misbehave on the wire: stall, trickle, cut a body short, reset.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace lumari::test {

/// What the server does with a connection after sending an answer's bytes.
enum class Wire { Keep, Close, Reset, Hang };

/// The bytes sent at once for one request, those sent one at a time half a
/// second apart after them, and what follows. Hang waits for the peer to close.
struct Answer {
  std::string bytes;
  Wire then = Wire::Keep;
  std::string slowly = {};
};

/// Answers a request given its request line ("GET /path?query HTTP/1.1").
using RequestHandler = std::function<Answer(const std::string& request_line)>;

class LoopbackServer {
 public:
  explicit LoopbackServer(RequestHandler handler) : handler_(std::move(handler)) {}
  ~LoopbackServer() { stop(); }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  /// Listens from the moment this returns true, so nobody waits for readiness.
  [[nodiscard]] bool start();
  /// Ends every connection and joins every thread.
  void stop();
  /// "http://127.0.0.1:<port>".
  [[nodiscard]] std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  void serve(std::intptr_t socket);
  /// Waits for input on the socket (-1: none, only the pause); false once stopping.
  [[nodiscard]] bool wait_for_input(std::intptr_t socket, int pause_ms = -1) const;
  bool send(std::intptr_t socket, std::string_view bytes) const;
  void close(std::intptr_t socket, bool reset);

  RequestHandler handler_;
  std::intptr_t listener_ = -1;
  std::intptr_t wake_ = -1;  ///< a datagram socket: readable once stop() has begun
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;  ///< guards open_ against a worker closing a socket stop() shuts down
  std::list<std::intptr_t> open_;
  std::thread acceptor_;
  std::list<std::thread> workers_;  ///< one per connection, added by the acceptor only
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

}  // namespace lumari::test
