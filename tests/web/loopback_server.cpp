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
#include <cstring>

namespace lumari::test {
namespace {

#ifdef _WIN32
using Socket = SOCKET;
const Socket kNoSocket = INVALID_SOCKET;
constexpr int kShutBoth = SD_BOTH;
constexpr int kShutSend = SD_SEND;
constexpr int kSendFlags = 0;
void close_socket(Socket s) { closesocket(s); }

bool sockets_ready() {
  static const bool ready = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return ready;
}
#else
using Socket = int;
constexpr Socket kNoSocket = -1;
constexpr int kShutBoth = SHUT_RDWR;
constexpr int kShutSend = SHUT_WR;
constexpr int kSendFlags = MSG_NOSIGNAL;  // a gone peer is a false result, not SIGPIPE
void close_socket(Socket s) { ::close(s); }
bool sockets_ready() { return true; }
#endif

Socket to_socket(std::intptr_t s) { return static_cast<Socket>(s); }
std::intptr_t from_socket(Socket s) { return s == kNoSocket ? -1 : static_cast<std::intptr_t>(s); }

sockaddr_in loopback_address(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  return address;
}

/// Binds a new socket to 127.0.0.1 on a port the system picks.
Socket bind_loopback(int& port, int type) {
  if (!sockets_ready()) return kNoSocket;
  const Socket s = ::socket(AF_INET, type, 0);
  if (s == kNoSocket) return kNoSocket;
  sockaddr_in address = loopback_address(0);
  socklen_t length = sizeof address;
  if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close_socket(s);
    return kNoSocket;
  }
  port = ntohs(address.sin_port);
  return s;
}

const char* reason_phrase(int status) {
  switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

}  // namespace

struct ServerConnection::State {
  LoopbackServer* server = nullptr;
  std::mutex mutex;  // guards socket against stop() shutting it down while it closes
  std::intptr_t socket = -1;
  std::string pending;  // bytes received past the last request head
};

struct LoopbackServer::Worker {
  ServerConnection::State state;
  std::thread thread;
};

bool ServerConnection::send(std::string_view bytes) {
  const Socket s = to_socket(state_.socket);
  if (state_.socket == -1 || state_.server->stopping_) return false;
  while (!bytes.empty()) {
    const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 16));
    const auto sent = ::send(s, bytes.data(), chunk, kSendFlags);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

bool ServerConnection::send_slowly(std::string_view bytes, std::chrono::milliseconds pause) {
  LoopbackServer& server = *state_.server;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) {
      std::unique_lock lock(server.mutex_);
      if (server.stop_signal_.wait_for(lock, pause, [&] { return server.stopping_.load(); })) {
        return false;
      }
    }
    if (!send(bytes.substr(i, 1))) return false;
  }
  return true;
}

void ServerConnection::reset() {
  const std::lock_guard lock(state_.mutex);
  if (state_.socket == -1) return;
  const Socket s = to_socket(state_.socket);
  linger abort{};
  abort.l_onoff = 1;
  abort.l_linger = 0;
  ::setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
  close_socket(s);
  state_.socket = -1;
}

void ServerConnection::wait_until_closed() {
  char buffer[512];
  while (state_.socket != -1 && state_.server->wait_for_input(state_.socket) &&
         ::recv(to_socket(state_.socket), buffer, static_cast<int>(sizeof buffer), 0) > 0) {
  }
}

LoopbackServer::LoopbackServer(RequestHandler handler) : handler_(std::move(handler)) {}

LoopbackServer::~LoopbackServer() { stop(); }

bool LoopbackServer::start() {
  int wake_port = 0;
  const Socket wake = bind_loopback(wake_port, SOCK_DGRAM);
  if (wake == kNoSocket) return false;
  const Socket s = bind_loopback(port_, SOCK_STREAM);
  if (s == kNoSocket || ::listen(s, SOMAXCONN) != 0) {
    if (s != kNoSocket) close_socket(s);
    close_socket(wake);
    return false;
  }
  wake_ = from_socket(wake);
  listener_ = from_socket(s);
  acceptor_ = std::thread([this] { accept_loop(); });
  return true;
}

void LoopbackServer::stop() {
  if (listener_ == -1) return;
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stop_signal_.notify_all();
  // A datagram to ourselves, never read, leaves the wake socket readable for
  // good: every thread waiting for input sees it and ends.
  sockaddr_in self{};
  socklen_t length = sizeof self;
  if (::getsockname(to_socket(wake_), reinterpret_cast<sockaddr*>(&self), &length) == 0) {
    ::sendto(to_socket(wake_), "x", 1, 0, reinterpret_cast<const sockaddr*>(&self), length);
  }
  acceptor_.join();
  close_socket(to_socket(listener_));
  listener_ = -1;
  // No new workers after the acceptor has gone. A worker stuck in send() to a
  // client that stopped reading is freed by the shutdown.
  for (auto& worker : workers_) {
    const std::lock_guard lock(worker->state.mutex);
    if (worker->state.socket != -1) ::shutdown(to_socket(worker->state.socket), kShutBoth);
  }
  for (auto& worker : workers_) worker->thread.join();
  workers_.clear();
  close_socket(to_socket(wake_));
  wake_ = -1;
}

bool LoopbackServer::wait_for_input(std::intptr_t socket) const {
  const Socket s = to_socket(socket);
  const Socket wake = to_socket(wake_);
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(s, &readable);
  FD_SET(wake, &readable);
  const int highest = static_cast<int>(std::max(s, wake));
  if (::select(highest + 1, &readable, nullptr, nullptr, nullptr) <= 0) return false;
  return !stopping_ && FD_ISSET(s, &readable);
}

std::string LoopbackServer::url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<HttpRequest> LoopbackServer::requests() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

void LoopbackServer::accept_loop() {
  while (wait_for_input(listener_)) {
    const Socket client = ::accept(to_socket(listener_), nullptr, nullptr);
    if (client == kNoSocket) continue;
    auto worker = std::make_unique<Worker>();
    worker->state.server = this;
    worker->state.socket = from_socket(client);
    ServerConnection::State& state = worker->state;
    workers_.push_back(std::move(worker));
    workers_.back()->thread = std::thread([this, &state] { serve(state); });
  }
}

void LoopbackServer::serve(ServerConnection::State& state) {
  ServerConnection connection(state);
  bool keep = true;
  while (keep && state.socket != -1 && !stopping_) {
    std::size_t end;
    while ((end = state.pending.find("\r\n\r\n")) == std::string::npos) {
      char buffer[4096];
      if (!wait_for_input(state.socket)) {
        keep = false;
        break;
      }
      const auto got = ::recv(to_socket(state.socket), buffer, static_cast<int>(sizeof buffer), 0);
      if (got <= 0) {
        keep = false;
        break;
      }
      state.pending.append(buffer, static_cast<std::size_t>(got));
    }
    if (!keep) break;
    HttpRequest request;
    request.head = state.pending.substr(0, end);
    state.pending.erase(0, end + 4);
    const std::string_view line =
        std::string_view(request.head).substr(0, request.head.find("\r\n"));
    const auto first_space = line.find(' ');
    const auto last_space = line.rfind(' ');
    if (first_space != std::string_view::npos && last_space > first_space) {
      request.method = line.substr(0, first_space);
      request.target = line.substr(first_space + 1, last_space - first_space - 1);
    }
    {
      const std::lock_guard lock(mutex_);
      requests_.push_back(request);
    }
    keep = handler_(connection, request);
  }
  const std::lock_guard lock(state.mutex);
  if (state.socket != -1) {
    // An orderly close: the client sees the end of the stream, not a reset.
    ::shutdown(to_socket(state.socket), kShutSend);
    close_socket(to_socket(state.socket));
    state.socket = -1;
  }
}

RefusingPort::RefusingPort() { socket_ = from_socket(bind_loopback(port_, SOCK_STREAM)); }

RefusingPort::~RefusingPort() {
  if (socket_ != -1) close_socket(to_socket(socket_));
}

std::string http_response(int status, std::string_view body, std::string_view extra_headers) {
  std::string response =
      "HTTP/1.1 " + std::to_string(status) + " " + reason_phrase(status) +
      "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
  response += extra_headers;
  response += "\r\n";
  response += body;
  return response;
}

}  // namespace lumari::test
