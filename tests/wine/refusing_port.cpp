#include "refusing_port.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace lumari::test {

RefusingPort::RefusingPort() : socket_(INVALID_SOCKET) {
  WSADATA data{};
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
    error_ = "WSAStartup failed";
    return;
  }
  started_ = true;
  const SOCKET handle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (handle == INVALID_SOCKET) {
    error_ = "socket: error " + std::to_string(WSAGetLastError());
    return;
  }
  socket_ = handle;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int length = sizeof address;
  if (bind(handle, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(handle, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    error_ = "bind: error " + std::to_string(WSAGetLastError());
    return;
  }
  port_ = ntohs(address.sin_port);
}

RefusingPort::~RefusingPort() {
  if (socket_ != INVALID_SOCKET) closesocket(static_cast<SOCKET>(socket_));
  if (started_) WSACleanup();
}

}  // namespace lumari::test
