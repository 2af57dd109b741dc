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
#include "web/loopback_server.h"
#include "wine_app_test.h"

namespace lumari::test {
namespace {

using namespace std::chrono_literals;
using core::AnswerKind;

/// The web client's deadline for a whole request.
constexpr std::chrono::milliseconds kDeadline{core::WebClientLimits{}.deadline_ms};
/// What a tick may take beyond its request: reading, merging and writing the
/// files, and a busy machine.
constexpr std::chrono::milliseconds kMargin = 2s;

/// Our own modes, not the service's: the fetch goes to a port nobody listens
/// on; the service is stopped for the tick and started again after it.
constexpr const char* kRefuse = "refuse";
constexpr const char* kStop = "stop";

struct Fault {
  const char* mode;                   ///< the demo service's fault mode, kRefuse or kStop
  int requests;                       ///< order requests the fault covers
  std::optional<AnswerKind> kind;     ///< how the faulty tick ends; any good end when empty
  std::vector<std::string> problems;  ///< the reasons it may give
  std::chrono::milliseconds at_most;  ///< how long the faulty tick may take
  std::chrono::milliseconds at_least = 0ms;
  bool keeps_files = true;  ///< false for a late but good answer
};

void PrintTo(const Fault& fault, std::ostream* os) { *os << fault.mode; }

class FaultMatrix : public WineAppTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(FaultMatrix, TickEndsInTimeFilesStayAndTheNextAnswerIsMerged) {
  const Fault fault = GetParam();
  const bool refuse = std::string(fault.mode) == kRefuse;
  const bool stop = std::string(fault.mode) == kStop;
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
  } else if (stop) {
    ASSERT_NO_FATAL_FAILURE(stop_service());
  } else {
    ASSERT_NO_FATAL_FAILURE(set_fault(fault.mode, fault.requests));
  }
  const TickResult faulty = tick();
  session().main.host = service_host;
  if (stop) {
    ASSERT_NO_FATAL_FAILURE(start_service_again());
  }
  const std::vector<std::string> requests = order_requests();
  const std::size_t faulty_requests = requests.size() - requests_before;

  if (fault.kind) {
    EXPECT_STREQ(kind_name(faulty.report.kind), kind_name(*fault.kind)) << describe(faulty.report);
  } else {
    EXPECT_TRUE(is_good(faulty.report)) << describe(faulty.report);
  }
  EXPECT_NE(std::find(fault.problems.begin(), fault.problems.end(), faulty.report.problem),
            fault.problems.end())
      << describe(faulty.report);
  EXPECT_LT(faulty.took, fault.at_most) << describe(faulty.report);
  // WinHTTP's timer and the test's clock may differ by a timer tick or two.
  EXPECT_GE(faulty.took + 50ms, fault.at_least) << describe(faulty.report);
  EXPECT_EQ(faulty_requests, static_cast<std::size_t>(fault.requests))
      << "order requests the faulty tick made; the fault covered " << fault.requests;
  if (fault.keeps_files) {
    EXPECT_EQ(exchange(core::kOrderLogFile), log_before) << describe(faulty.report);
    EXPECT_EQ(exchange(core::kCurrentOrderFile), current_before) << describe(faulty.report);
  }
  EXPECT_EQ(exchange_listing(), listing_before) << "no temporary file may be left";
  EXPECT_TRUE(polling()) << "polling stopped after " << describe(faulty.report);
  EXPECT_TRUE(ui_.messages.empty()) << ui_.messages.front().text;

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

// A redirect loop costs the first request and every redirect the client
// follows (three). A reset costs one: unlike the Linux client, WinHTTP under
// Wine does not try a reset request again on a new connection; it reports the
// reset as such, or as no HTTP answer when the reset comes while it waits for
// the status line.
INSTANTIATE_TEST_SUITE_P(
    Wine, FaultMatrix,
    ::testing::Values(
        Fault{kRefuse, 0, AnswerKind::NoAnswer, {"connection refused"}, kMargin},
        Fault{kStop, 0, AnswerKind::NoAnswer, {"connection refused"}, kMargin},
        Fault{"hang", 1, AnswerKind::NoAnswer, {"timed out"}, kDeadline + kMargin, kDeadline},
        Fault{"trickle", 1, AnswerKind::NoAnswer, {"timed out"}, kDeadline + kMargin, kDeadline},
        Fault{"truncated", 1, AnswerKind::NoAnswer, {"body cut short"}, kMargin},
        Fault{"huge", 1, AnswerKind::NoAnswer, {"body over the 16 MiB cap"}, 5s},
        Fault{"reset", 1, AnswerKind::NoAnswer, {"connection reset", "no HTTP answer"}, kMargin},
        Fault{"error-page", 1, AnswerKind::ErrorPage, {""}, kMargin},
        Fault{"redirect-loop", 4, AnswerKind::NoAnswer, {"too many redirects"}, kMargin},
        Fault{"empty", 1, AnswerKind::Orders, {""}, kMargin},
        Fault{"delay:3000", 1, std::nullopt, {""}, 3s + kMargin, 3s, false}),
    [](const ::testing::TestParamInfo<Fault>& param) {
      std::string name;
      for (const char c : std::string(param.param.mode)) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      }
      return name;
    });

}  // namespace
}  // namespace lumari::test
