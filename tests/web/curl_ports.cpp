// The native build runs the web suites against the Linux front end's ports.
#include "headless/curl_web_client.h"
#include "headless/linux_adapter_source.h"
#include "headless/system_clock.h"
#include "ports_under_test.h"

namespace lumari::test {
namespace {

PlatformPorts curl_ports() {
  return {"curl",
          [](core::WebClientLimits limits) { return headless::make_curl_web_client(limits); },
          [] { return headless::make_linux_adapter_source(); },
          [] { return headless::make_system_clock(); }};
}

INSTANTIATE_TEST_SUITE_P(Linux, WebClientTest, testing::Values(curl_ports()), ports_name);
INSTANTIATE_TEST_SUITE_P(Linux, LocalPortsTest, testing::Values(curl_ports()), ports_name);

}  // namespace
}  // namespace lumari::test
