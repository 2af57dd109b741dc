#include "loopback_server.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>

namespace lumari::test {
namespace {

#ifdef _WIN32
using Socket = SOCKET;
constexpr int kShutSend = SD_SEND;
constexpr int kShutBoth = SD_BOTH;
constexpr int kSendFlags = 0;
void close_socket(std::intptr_t s) { closesocket(static_cast<Socket>(s)); }
bool sockets_ready() {
  static const bool ready = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return ready;
}
#else
using Socket = int;
constexpr int kShutSend = SHUT_WR;
constexpr int kShutBoth = SHUT_RDWR;
constexpr int kSendFlags = MSG_NOSIGNAL;  // a gone peer is a false result, not SIGPIPE
void close_socket(std::intptr_t s) { ::close(static_cast<Socket>(s)); }
bool sockets_ready() { return true; }
#endif

Socket raw(std::intptr_t s) { return static_cast<Socket>(s); }

/// A new socket bound to 127.0.0.1 on a port the system picks; -1 on failure.
std::intptr_t bind_loopback(int& port, int type) {
  if (!sockets_ready()) return -1;
  const Socket s = ::socket(AF_INET, type, 0);
  if (s == static_cast<Socket>(-1)) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close_socket(static_cast<std::intptr_t>(s));
    return -1;
  }
  port = ntohs(address.sin_port);
  return static_cast<std::intptr_t>(s);
}

}  // namespace

bool LoopbackServer::start() {
  int wake_port = 0;
  wake_ = bind_loopback(wake_port, SOCK_DGRAM);
  listener_ = bind_loopback(port_, SOCK_STREAM);
  if (wake_ == -1 || listener_ == -1 || ::listen(raw(listener_), SOMAXCONN) != 0) return false;
  acceptor_ = std::thread([this] {
    while (wait_for_input(listener_)) {
      const Socket client = ::accept(raw(listener_), nullptr, nullptr);
      if (client == static_cast<Socket>(-1)) continue;
      const std::lock_guard lock(mutex_);
      open_.push_back(static_cast<std::intptr_t>(client));
      workers_.emplace_back([this, client] { serve(static_cast<std::intptr_t>(client)); });
    }
  });
  return true;
}

void LoopbackServer::stop() {
  if (acceptor_.joinable()) {
    stopping_ = true;
    // A datagram to ourselves, never read, leaves the wake socket readable for
    // good: every thread waiting for input sees it and ends.
    sockaddr_in self{};
    socklen_t length = sizeof self;
    ::getsockname(raw(wake_), reinterpret_cast<sockaddr*>(&self), &length);
    ::sendto(raw(wake_), "x", 1, 0, reinterpret_cast<const sockaddr*>(&self), length);
    acceptor_.join();
    {
      // A worker stuck in send() to a client that stopped reading is freed here.
      const std::lock_guard lock(mutex_);
      for (const std::intptr_t s : open_) ::shutdown(raw(s), kShutBoth);
    }
    for (std::thread& worker : workers_) worker.join();
    workers_.clear();
  }
  for (std::intptr_t* s : {&listener_, &wake_}) {
    if (*s != -1) close_socket(*s);
    *s = -1;
  }
}

bool LoopbackServer::wait_for_input(std::intptr_t socket, int pause_ms) const {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(raw(wake_), &readable);
  if (socket != -1) FD_SET(raw(socket), &readable);
  timeval pause{pause_ms / 1000, (pause_ms % 1000) * 1000};
  const int highest = static_cast<int>(std::max(socket, wake_));
  const int ready =
      ::select(highest + 1, &readable, nullptr, nullptr, pause_ms < 0 ? nullptr : &pause);
  return ready >= 0 && !stopping_ && (socket == -1 || FD_ISSET(raw(socket), &readable));
}

bool LoopbackServer::send(std::intptr_t socket, std::string_view bytes) const {
  while (!bytes.empty() && !stopping_) {
    const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 16));
    const auto sent = ::send(raw(socket), bytes.data(), chunk, kSendFlags);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return bytes.empty();
}

void LoopbackServer::close(std::intptr_t socket, bool reset) {
  const std::lock_guard lock(mutex_);
  if (reset) {
    // No lingering: the peer sees a reset, not an orderly close.
    linger abort{1, 0};
    ::setsockopt(raw(socket), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort),
                 sizeof abort);
  } else {
    ::shutdown(raw(socket), kShutSend);
  }
  close_socket(socket);
  open_.remove(socket);
}

void LoopbackServer::serve(std::intptr_t socket) {
  std::string pending;  // bytes received past the last request head
  Wire then = Wire::Keep;
  while (then == Wire::Keep) {
    std::size_t end;
    char buffer[4096];
    while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
      const auto got = wait_for_input(socket)
                           ? ::recv(raw(socket), buffer, static_cast<int>(sizeof buffer), 0)
                           : 0;
      if (got <= 0) return close(socket, false);
      pending.append(buffer, static_cast<std::size_t>(got));
    }
    const Answer answer = handler_(pending.substr(0, pending.find("\r\n")));
    pending.erase(0, end + 4);
    then = answer.then;
    if (!send(socket, answer.bytes)) break;
    for (std::size_t i = 0; i < answer.slowly.size(); ++i) {
      if ((i > 0 && !wait_for_input(-1, 500)) || !send(socket, answer.slowly.substr(i, 1))) break;
    }
    while (then == Wire::Hang && wait_for_input(socket) &&
           ::recv(raw(socket), buffer, static_cast<int>(sizeof buffer), 0) > 0) {
    }
  }
  close(socket, then == Wire::Reset);
}

RefusingPort::RefusingPort() { socket_ = bind_loopback(port_, SOCK_STREAM); }

RefusingPort::~RefusingPort() {
  if (socket_ != -1) close_socket(socket_);
}

}  // namespace lumari::test
