// The Windows build runs the web suites against the Windows program's ports.
#include "ports_under_test.h"
#include "win32/windows_adapter_source.h"
#include "win32/windows_clock.h"
#include "win32/winhttp_web_client.h"

namespace lumari::test {
namespace {

PlatformPorts winhttp_ports() {
  return {"winhttp",
          [](core::WebClientLimits limits) { return win32::make_winhttp_web_client(limits); },
          [] { return win32::make_windows_adapter_source(); },
          [] { return win32::make_windows_clock(); }};
}

INSTANTIATE_TEST_SUITE_P(Windows, WebClientTest, testing::Values(winhttp_ports()), ports_name);
INSTANTIATE_TEST_SUITE_P(Windows, LocalPortsTest, testing::Values(winhttp_ports()), ports_name);

}  // namespace
}  // namespace lumari::test
