// One client connection of the demo service: its socket, the waits a fault
// mode needs (each ends early when the service stops or the client goes), and
// how it ends (normally, silently, or with a reset).
#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace lumari::demo {

/// The service is stopping: raised once, seen by every wait of every connection.
class StopSignal {
 public:
  void raise();
  [[nodiscard]] bool raised() const;
  /// Waits up to `duration`; true when the signal was raised.
  [[nodiscard]] bool wait_for(std::chrono::milliseconds duration) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  bool raised_ = false;
};

/// How the connection ends after the request being handled.
enum class Ending {
  kNormal,  ///< answer, then keep-alive or an orderly close
  kSilent,  ///< no answer; orderly close
  kReset,   ///< no answer; close with RST
};

class Connection {
 public:
  /// Takes ownership of an accepted socket.
  Connection(int socket, const StopSignal& stop);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  [[nodiscard]] int socket() const { return socket_; }
  [[nodiscard]] const StopSignal& stop() const { return stop_; }

  /// Waits up to `duration`; false when the service stops or the client closed first.
  [[nodiscard]] bool pause(std::chrono::milliseconds duration) const;

  /// Waits until the service stops or the client closes.
  void wait_until_gone() const;

  /// Whether the client has closed its end.
  [[nodiscard]] bool client_gone() const;

  /// Waits up to `timeout` for the next request; false on stop, close or time-out.
  [[nodiscard]] bool wait_for_request(std::chrono::seconds timeout) const;

  /// Waits up to `timeout` until the socket is ready for `events`; false on stop.
  [[nodiscard]] bool wait_ready(short events, std::chrono::microseconds timeout) const;

  /// No answer to the current request; the connection closes in order.
  void end_silently() { ending_ = Ending::kSilent; }

  /// No answer to the current request; the close sends an RST.
  void end_with_reset();

  [[nodiscard]] Ending ending() const { return ending_; }

  /// The connection whose request this thread is handling, or null.
  [[nodiscard]] static Connection* current();

 private:
  friend class CurrentConnection;

  int socket_;
  const StopSignal& stop_;
  Ending ending_ = Ending::kNormal;
};

/// Makes a connection current on this thread for its lifetime.
class CurrentConnection {
 public:
  explicit CurrentConnection(Connection& connection);
  ~CurrentConnection();
  CurrentConnection(const CurrentConnection&) = delete;
  CurrentConnection& operator=(const CurrentConnection&) = delete;
};

/// The byte stream httplib reads requests from and writes answers to. Writes
/// fail once the connection is to end without an answer, so nothing leaves.
class ConnectionStream final : public httplib::Stream {
 public:
  ConnectionStream(Connection& connection, std::chrono::microseconds read_timeout,
                   std::chrono::microseconds write_timeout);

  bool is_readable() const override;
  bool is_writable() const override;
  ssize_t read(char* ptr, size_t size) override;
  ssize_t write(const char* ptr, size_t size) override;
  void get_remote_ip_and_port(std::string& ip, int& port) const override;
  void get_local_ip_and_port(std::string& ip, int& port) const override;
  socket_t socket() const override { return connection_.socket(); }

 private:
  Connection& connection_;
  std::chrono::microseconds read_timeout_;
  std::chrono::microseconds write_timeout_;
};

}  // namespace lumari::demo
