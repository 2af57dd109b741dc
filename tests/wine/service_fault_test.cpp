// Every way the service can fail a request, against the Windows program's
// WinHTTP client under Wine: the tick ends within the client's deadline, the
// exchange files stay as they were, polling goes on, and the next good answer
// is merged as usual.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "shell/data_folder.h"
#include "support/service_faults.h"
#include "web/loopback_server.h"
#include "wine_app_test.h"

namespace lumari::test {
namespace {

using namespace std::chrono_literals;

/// The web client's deadline for a whole request.
constexpr std::chrono::milliseconds kDeadline{core::WebClientLimits{}.deadline_ms};
/// What a tick may take beyond its request: reading, merging and writing the
/// files, and a busy machine; a 16 MiB body takes longer to refuse.
constexpr std::chrono::milliseconds kMargin = 2s;

const char* end_name(FaultEnd end) {
  switch (end) {
    case FaultEnd::NoAnswer: return "NoAnswer";
    case FaultEnd::ErrorPage: return "ErrorPage";
    case FaultEnd::Orders: return "Orders";
    case FaultEnd::AnyGood: return "a good end";
  }
  return "?";
}

class FaultMatrix : public WineAppTest, public ::testing::WithParamInterface<ServiceFault> {};

TEST_P(FaultMatrix, TickEndsInTimeFilesStayAndTheNextAnswerIsMerged) {
  const ServiceFault fault = GetParam();
  const bool refuse = std::string(fault.mode) == "refuse";
  ASSERT_NO_FATAL_FAILURE(log_in());
  ASSERT_NO_FATAL_FAILURE(tick_until_orders_logged());
  const std::string log_before = exchange(core::kOrderLogFile);
  const std::string current_before = exchange(core::kCurrentOrderFile);
  const std::string listing_before = exchange_listing();
  const std::size_t requests_before = order_requests().size();

  // The client of the fetch cycle is kept for the run; only the address it is
  // sent to changes for the one tick.
  std::optional<RefusingPort> nobody;
  const std::string service_host = session().main.host;
  if (refuse) {
    nobody.emplace();
    ASSERT_NE(nobody->port(), 0) << "no port on 127.0.0.1 could be bound";
    session().main.host = "http://127.0.0.1:" + std::to_string(nobody->port());
  } else {
    ASSERT_NO_FATAL_FAILURE(set_fault(fault.mode, fault.requests_winhttp));
  }
  const TickResult faulty = tick();
  session().main.host = service_host;
  const std::vector<std::string> requests = order_requests();
  const std::size_t faulty_requests = requests.size() - requests_before;

  if (fault.end == FaultEnd::AnyGood) {
    EXPECT_TRUE(is_good(faulty.report)) << describe(faulty.report);
  } else {
    EXPECT_STREQ(kind_name(faulty.report.kind), end_name(fault.end)) << describe(faulty.report);
  }
  EXPECT_TRUE(problem_allowed(fault.problem_winhttp, faulty.report.problem))
      << describe(faulty.report);
  const auto at_least = fault.waits_for_deadline ? kDeadline : fault.delay;
  const auto at_most = at_least + (fault.mode == std::string("huge") ? 5s : kMargin);
  EXPECT_LT(faulty.took, at_most) << describe(faulty.report);
  // WinHTTP's timer and the test's clock may differ by a timer tick or two.
  EXPECT_GE(faulty.took + 50ms, at_least) << describe(faulty.report);
  EXPECT_EQ(faulty_requests, static_cast<std::size_t>(fault.requests_winhttp))
      << "order requests the faulty tick made";
  if (fault.delay == 0ms) {
    EXPECT_EQ(exchange(core::kOrderLogFile), log_before) << describe(faulty.report);
    EXPECT_EQ(exchange(core::kCurrentOrderFile), current_before) << describe(faulty.report);
  }
  EXPECT_EQ(exchange_listing(), listing_before) << "no temporary file may be left";
  EXPECT_TRUE(polling()) << "polling stopped after " << describe(faulty.report);
  EXPECT_TRUE(h_->ui.messages.empty()) << h_->ui.messages.front().text;

  const std::vector<TickResult> recovery = tick_until_new_versions_saved();
  ASSERT_FALSE(recovery.empty());
  expect_everything_sent_is_merged("after the recovery ticks");
  EXPECT_TRUE(polling());

  std::string seen;
  for (std::size_t i = requests_before; i < requests.size(); ++i) {
    seen += "\n    service: " + requests[i].substr(requests[i].find(" -> ") + 4);
  }
  std::printf(
      "[ FAULT    ] %s: %s in %lld ms, %zu order request(s); first good tick %s in "
      "%lld ms, %zu tick(s) to new versions%s\n",
      fault.mode, describe(faulty.report).c_str(), static_cast<long long>(faulty.took.count()),
      faulty_requests, describe(recovery.front().report).c_str(),
      static_cast<long long>(recovery.front().took.count()), recovery.size(), seen.c_str());
  RecordProperty("faulty_tick_ms", static_cast<int>(faulty.took.count()));
  RecordProperty("first_good_tick_ms", static_cast<int>(recovery.front().took.count()));
}

INSTANTIATE_TEST_SUITE_P(Wine, FaultMatrix, ::testing::ValuesIn(kServiceFaults),
                         [](const ::testing::TestParamInfo<ServiceFault>& param) {
                           std::string name;
                           for (const char c : std::string(param.param.mode)) {
                             name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace lumari::test
