// Every way the service can fail an order request, as the shared table has it,
// against the Linux web client: the tick ends in time with the answer and the
// reason the table gives, the exchange files stay as they were, polling goes
// on, and the next good answer is merged as usual.
#include "service_fixture.h"
#include "support/service_faults.h"

namespace lumari::test {
namespace {

constexpr std::chrono::milliseconds kDeadline{core::WebClientLimits{}.deadline_ms};

class FaultMatrix : public ServiceTest, public ::testing::WithParamInterface<ServiceFault> {};

TEST_P(FaultMatrix, TickEndsInTimeFilesStayAndTheNextAnswerIsMerged) {
  const ServiceFault& fault = GetParam();
  const std::string mode = fault.mode;
  // Ticks far enough apart to look at the files between two of them.
  for (const CaseRow& row : std::vector<CaseRow>{
           {"service", "--max-orders 6 --seed 4"},
           {"install"},
           {"start", "--email demo@example.com --cycles 10 --interval-ms 400"},
           {"await", "3", "\n"},
           {"keep", "{exchange}/Lumari.log"},
           {"keep", "{exchange}/ServerOrder.log"},
           mode == "refuse" ? CaseRow{"stop"}
                            : CaseRow{"check",
                                      "get:/demo/fault?mode=" + mode +
                                          "&count=" + std::to_string(fault.requests),
                                      "has", "OK"}}) {
    ASSERT_NO_FATAL_FAILURE(step(row));
  }
  const auto started = std::chrono::steady_clock::now();
  ASSERT_NO_FATAL_FAILURE(step({"await", "4", "\n"}));
  const auto took = std::chrono::steady_clock::now() - started;

  // "hh:mm:ss <answer> log=<n> current=<n> new=<n>[ (<reason>)]"
  const std::string tick = core::split_lines(headless_->out())[3];
  const auto reason_at = tick.find(" (");
  const std::string reason =
      reason_at == std::string::npos ? "" : tick.substr(reason_at + 2, tick.size() - reason_at - 3);
  const char* answers[] = {"no answer", "error page", "orders", "orders|idle"};
  EXPECT_TRUE(
      problem_allowed(answers[static_cast<int>(fault.end)], tick.substr(9, tick.find(" log=") - 9)))
      << tick;
  EXPECT_TRUE(problem_allowed(fault.problem, reason)) << tick;
  const auto waited = fault.waits_for_deadline ? kDeadline : 0ms;
  EXPECT_LT(took, waited + fault.delay + 3s) << tick;
  // The program's timer and the test's clock may differ by a timer tick.
  EXPECT_GE(took + 50ms, waited + fault.delay) << tick;
  if (fault.delay == 0ms) {
    ASSERT_NO_FATAL_FAILURE(step({"check", "{exchange}/Lumari.log", "same"}));
    ASSERT_NO_FATAL_FAILURE(step({"check", "{exchange}/ServerOrder.log", "same"}));
  }

  for (const CaseRow& row :
       std::vector<CaseRow>{{mode == "refuse" ? "restart" : "check", "out", "has", "\n"},
                            {"end", "0"},
                            {"check", "out", "4+", " orders "},
                            {"merged"}}) {
    ASSERT_NO_FATAL_FAILURE(step(row));
  }
}

INSTANTIATE_TEST_SUITE_P(EveryFault, FaultMatrix, ::testing::ValuesIn(kServiceFaults),
                         [](const auto& p) {
                           std::string name = p.param.mode;
                           for (char& c : name) c = std::isalnum(c) ? c : '_';
                           return name;
                         });

}  // namespace
}  // namespace lumari::test
