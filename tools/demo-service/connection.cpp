#include "connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace lumari::demo {
namespace {

using Clock = std::chrono::steady_clock;

// Every wait is cut into slices this long, so a stop is seen within one slice.
constexpr std::chrono::milliseconds kSlice{50};

thread_local Connection* current_connection = nullptr;

void address_text(const sockaddr_storage& address, std::string& ip, int& port) {
  char text[INET6_ADDRSTRLEN] = {};
  if (address.ss_family == AF_INET) {
    const auto& in4 = reinterpret_cast<const sockaddr_in&>(address);
    inet_ntop(AF_INET, &in4.sin_addr, text, sizeof text);
    port = ntohs(in4.sin_port);
  } else if (address.ss_family == AF_INET6) {
    const auto& in6 = reinterpret_cast<const sockaddr_in6&>(address);
    inet_ntop(AF_INET6, &in6.sin6_addr, text, sizeof text);
    port = ntohs(in6.sin6_port);
  }
  ip = text;
}

}  // namespace

void StopSignal::raise() {
  {
    std::lock_guard lock(mutex_);
    raised_ = true;
  }
  changed_.notify_all();
}

bool StopSignal::raised() const {
  std::lock_guard lock(mutex_);
  return raised_;
}

bool StopSignal::wait_for(std::chrono::milliseconds duration) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, duration, [this] { return raised_; });
}

Connection::Connection(int socket, const StopSignal& stop) : socket_(socket), stop_(stop) {}

Connection::~Connection() {
  // With SO_LINGER 0 the close alone sends the RST; a shutdown would send a FIN first.
  if (ending_ != Ending::kReset) ::shutdown(socket_, SHUT_RDWR);
  ::close(socket_);
}

Connection* Connection::current() { return current_connection; }

void Connection::end_with_reset() {
  const linger abort_on_close{1, 0};
  ::setsockopt(socket_, SOL_SOCKET, SO_LINGER, &abort_on_close, sizeof abort_on_close);
  ending_ = Ending::kReset;
}

bool Connection::client_gone() const {
  pollfd poll_fd{socket_, static_cast<short>(POLLIN | POLLRDHUP), 0};
  if (::poll(&poll_fd, 1, 0) <= 0) return false;
  if ((poll_fd.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0) return true;
  if ((poll_fd.revents & POLLIN) == 0) return false;
  // Readable: either the next request of a keep-alive client or the end of the stream.
  char byte = 0;
  const auto got = ::recv(socket_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

bool Connection::pause(std::chrono::milliseconds duration) const {
  const auto deadline = Clock::now() + duration;
  for (;;) {
    const auto now = Clock::now();
    if (now >= deadline) return true;
    // Rounded up, so that a pause never ends before its full length.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    if (stop_.wait_for(std::min(left, kSlice))) return false;
    if (client_gone()) return false;
  }
}

void Connection::wait_until_gone() const {
  while (!stop_.wait_for(kSlice) && !client_gone()) {
  }
}

bool Connection::wait_ready(short events, std::chrono::microseconds timeout) const {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (stop_.raised()) return false;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    const auto slice = std::clamp(left, std::chrono::milliseconds{0}, kSlice);
    pollfd poll_fd{socket_, events, 0};
    const int ready = ::poll(&poll_fd, 1, static_cast<int>(slice.count()));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
    if (Clock::now() >= deadline) return false;
  }
}

bool Connection::wait_for_request(std::chrono::seconds timeout) const {
  return wait_ready(POLLIN, timeout);
}

CurrentConnection::CurrentConnection(Connection& connection) { current_connection = &connection; }

CurrentConnection::~CurrentConnection() { current_connection = nullptr; }

ConnectionStream::ConnectionStream(Connection& connection, std::chrono::microseconds read_timeout,
                                   std::chrono::microseconds write_timeout)
    : connection_(connection), read_timeout_(read_timeout), write_timeout_(write_timeout) {}

bool ConnectionStream::is_readable() const { return connection_.wait_ready(POLLIN, read_timeout_); }

bool ConnectionStream::is_writable() const {
  return connection_.ending() == Ending::kNormal && connection_.wait_ready(POLLOUT, write_timeout_);
}

ssize_t ConnectionStream::read(char* ptr, size_t size) {
  if (!is_readable()) return -1;
  for (;;) {
    const auto got = ::recv(connection_.socket(), ptr, size, 0);
    if (got >= 0 || errno != EINTR) return got;
  }
}

ssize_t ConnectionStream::write(const char* ptr, size_t size) {
  if (!is_writable()) return -1;
  for (;;) {
    const auto sent = ::send(connection_.socket(), ptr, size, MSG_NOSIGNAL);
    if (sent >= 0 || errno != EINTR) return sent;
  }
}

void ConnectionStream::get_remote_ip_and_port(std::string& ip, int& port) const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getpeername(connection_.socket(), reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    address_text(address, ip, port);
  }
}

void ConnectionStream::get_local_ip_and_port(std::string& ip, int& port) const {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getsockname(connection_.socket(), reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    address_text(address, ip, port);
  }
}

}  // namespace lumari::demo
