// A loopback port that refuses every connection: bound, so nobody else takes
// it while a test points a client at it, but never listening.
#pragma once

#include <cstdint>
#include <string>

namespace lumari::test {

class RefusingPort {
 public:
  RefusingPort();
  ~RefusingPort();
  RefusingPort(const RefusingPort&) = delete;
  RefusingPort& operator=(const RefusingPort&) = delete;

  /// 0 when no port could be bound (error() says why).
  [[nodiscard]] int port() const { return port_; }
  [[nodiscard]] const std::string& error() const { return error_; }

 private:
  std::uintptr_t socket_;
  bool started_ = false;
  int port_ = 0;
  std::string error_;
};

}  // namespace lumari::test
