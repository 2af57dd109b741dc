// The platform's own ports as the web tests see them: one set per build (curl and
// the interface list natively, WinHTTP and the IP helper on Windows), handed to
// the value-parametrised suites by the build's instantiation file.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "loopback_server.h"
#include "ports/adapter_source.h"
#include "ports/clock.h"
#include "ports/web_client.h"

namespace lumari::test {

struct PlatformPorts {
  std::string name;
  std::function<std::unique_ptr<core::WebClient>(core::WebClientLimits)> make_web_client;
  std::function<std::unique_ptr<core::AdapterSource>()> make_adapter_source;
  std::function<std::unique_ptr<core::Clock>()> make_clock;

  friend void PrintTo(const PlatformPorts& ports, std::ostream* out) { *out << ports.name; }
};

/// Names the instantiated cases after the client ("curl", "winhttp").
inline std::string ports_name(const testing::TestParamInfo<PlatformPorts>& info) {
  return info.param.name;
}

/// A web client against a loopback server that answers by path (see the routes
/// in web_client_test.cpp); the server runs from SetUp to TearDown.
class WebClientTest : public testing::TestWithParam<PlatformPorts> {
 protected:
  void SetUp() override;
  void TearDown() override;

  /// Limits small enough to keep the slow cases short.
  [[nodiscard]] static core::WebClientLimits fast_limits();
  [[nodiscard]] std::unique_ptr<core::WebClient> client(
      core::WebClientLimits limits = fast_limits());
  [[nodiscard]] std::string url(const std::string& path) const { return server_->url(path); }

  std::unique_ptr<LoopbackServer> server_;

 private:
  bool answer(ServerConnection& connection, const HttpRequest& request);
};

/// The adapter source and the clock, without a server.
class LocalPortsTest : public testing::TestWithParam<PlatformPorts> {};

}  // namespace lumari::test
