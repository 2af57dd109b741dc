// The core's App in this process with the real WinHTTP client against the
// native demo service, on fake UI, clock and adapters over real temporary
// program and MT4 folders: log in, tick the polling timer by hand, look at what
// each tick did to the exchange files.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ports/web_client.h"
#include "shell/app.h"
#include "support/app_harness.h"
#include "support/order_expectations.h"

namespace lumari::test {

/// The performance counter, and milliseconds between two of its readings.
[[nodiscard]] long long performance_counter();
[[nodiscard]] double counter_ms(long long from, long long to);

/// One tick of the polling timer, timed.
struct TickResult {
  core::CycleReport report;
  std::chrono::milliseconds took{0};
  long long started = 0;  ///< performance counter before the tick
  long long ended = 0;    ///< performance counter after it
};

/// "NoAnswer (timed out)", "Orders, 2 new, saved".
[[nodiscard]] std::string describe(const core::CycleReport& report);
[[nodiscard]] const char* kind_name(core::AnswerKind kind);
/// Idle and order answers that were saved whole: how a tick ends when nothing fails.
[[nodiscard]] bool is_good(const core::CycleReport& report);

class WineAppTest : public ::testing::Test {
 protected:
  /// The account of the demo service with one trade system, 11.
  static constexpr const char* kEmail = "demo@example.com";
  static constexpr const char* kPassword = "demo";
  static constexpr const char* kSystem = "11";

  void SetUp() override;
  void TearDown() override;

  /// Logs in from the tray menu; the one system is followed and polling starts.
  void log_in();
  /// Ticks until the order log holds lines; every tick must end well.
  void tick_until_orders_logged();
  /// Ticks until an order answer has been merged and saved, at most `limit`
  /// ticks; every tick must end well. The ticks taken.
  [[nodiscard]] std::vector<TickResult> tick_until_new_versions_saved(int limit = 30);
  [[nodiscard]] TickResult tick();

  /// A GET of the service's own requests (/demo/...) on a client of its own.
  [[nodiscard]] core::Result<std::string> service_get(const std::string& path_and_query);
  /// Switches the service's fault mode for the next `count` order requests
  /// (until changed, for count 0).
  void set_fault(const std::string& mode, int count);
  /// The order lines the service sent for the system since the test began.
  [[nodiscard]] OrderLines sent_lines();
  /// The order requests of the service's request log so far, one line each.
  [[nodiscard]] std::vector<std::string> order_requests() const;
  [[nodiscard]] std::string exchange_path(std::string_view name) const;
  [[nodiscard]] std::string exchange(std::string_view name) const;
  [[nodiscard]] OrderLines exchange_lines(std::string_view name) const;
  /// The names in the exchange folder, sorted, separated by blanks.
  [[nodiscard]] std::string exchange_listing() const;
  /// Logged in with the polling timer running, in the session and on screen.
  [[nodiscard]] bool polling() const;
  [[nodiscard]] core::Session& session() { return h_->session(); }

  /// The order log holds every version sent exactly once, in the order first
  /// sent; the current-order file the latest version of every order; nothing waits.
  void expect_everything_sent_is_merged(std::string_view after);

  std::string service_url_;
  std::string request_log_;  ///< the service's request log, as a Windows path
  std::unique_ptr<AppHarness> h_;

 private:
  std::unique_ptr<core::WebClient> control_;
  std::size_t sent_before_ = 0;
};

}  // namespace lumari::test
