// Every way the service can fail a request, against the Linux web client: the
// tick ends within the web client's deadline, the exchange files stay as they
// were, polling goes on, and the next good answer is merged as usual.
#include <gtest/gtest.h>

#include <thread>

#include "service_fixture.h"

namespace lumari::test {
namespace {

using namespace std::chrono_literals;

struct Fault {
  const char* mode;              ///< the demo service's fault mode
  int requests;                  ///< how many requests it covers
  const char* status;            ///< what the tick's status line says
  std::chrono::seconds at_most;  ///< how long the faulty tick may take
  bool keeps_files = true;       ///< false for a late but good answer
};

void PrintTo(const Fault& fault, std::ostream* os) { *os << fault.mode; }

int count_of(const std::string& text, const std::string& part) {
  int n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// Waits until the program has printed at least `lines` status lines.
bool wait_for_lines(const ChildProcess& child, int lines, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (count_of(child.stdout_text(), "\n") < lines) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

std::string line_at(const std::string& text, int index) {
  std::size_t start = 0;
  for (int i = 0; i < index; ++i) start = text.find('\n', start) + 1;
  return text.substr(start, text.find('\n', start) - start);
}

class FaultMatrix : public ServiceTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(FaultMatrix, TickEndsInTimeFilesStayAndTheNextAnswerIsMerged) {
  const Fault fault = GetParam();
  const bool refuse = std::string(fault.mode) == "refuse";
  start_service({"--max-orders", "6", "--seed", "4"});
  install();
  // Ticks far enough apart to look at the files between two of them.
  auto headless =
      start_headless({"--email", "demo@example.com", "--cycles", "10", "--interval-ms", "400"});
  ASSERT_TRUE(wait_for_lines(*headless, 3, 20s)) << headless->stderr_text();
  const std::string log_before = exchange("Lumari.log");
  const std::string current_before = exchange("ServerOrder.log");
  ASSERT_FALSE(log_before.empty());

  const int first_port = port;
  if (refuse) {
    stop_service();
  } else {
    const std::string request =
        std::string("/demo/fault?mode=") + fault.mode + "&count=" + std::to_string(fault.requests);
    ASSERT_EQ(service_get(request).substr(0, 2), "OK");
  }
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(wait_for_lines(*headless, 4, fault.at_most + 5s)) << headless->stdout_text();
  const auto took = std::chrono::steady_clock::now() - started;
  const std::string tick = line_at(headless->stdout_text(), 3);
  EXPECT_NE(tick.find(fault.status), std::string::npos) << tick;
  EXPECT_LT(took, fault.at_most + 1s) << tick;
  if (fault.keeps_files) {
    EXPECT_EQ(exchange("Lumari.log"), log_before) << tick;
    EXPECT_EQ(exchange("ServerOrder.log"), current_before) << tick;
  }

  if (refuse) start_service({"--max-orders", "6", "--seed", "4"}, first_port);
  const auto code = headless->wait_for_exit(60s);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0) << headless->stderr_text();
  EXPECT_GE(count_of(headless->stdout_text(), " orders "), 4) << headless->stdout_text();
  EXPECT_EQ(exchange_lines("Lumari.log"), distinct_versions(sent_lines()));
  EXPECT_EQ(sorted(exchange_lines("ServerOrder.log")), latest_versions(sent_lines()));
}

INSTANTIATE_TEST_SUITE_P(EveryFault, FaultMatrix,
                         // A reset kept-alive connection is tried once more on a new one by the
                         // client, so a reset covers two requests; a redirect loop covers the first
                         // request and the three redirects the client follows.
                         ::testing::Values(Fault{"refuse", 0, "(connection refused)", 2s},
                                           Fault{"hang", 1, "(timed out)", 16s},
                                           Fault{"trickle", 1, "(timed out)", 16s},
                                           Fault{"truncated", 1, "(body cut short)", 2s},
                                           Fault{"huge", 1, "(body over the 16 MiB cap)", 5s},
                                           Fault{"reset", 2, "(connection reset)", 2s},
                                           Fault{"error-page", 1, " error page ", 2s},
                                           Fault{"redirect-loop", 4, "(too many redirects)", 2s},
                                           Fault{"empty", 1, " orders ", 2s},
                                           Fault{"delay:3000", 1, " ", 5s, false}),
                         [](const ::testing::TestParamInfo<Fault>& param) {
                           std::string name;
                           for (const char c : std::string(param.param.mode))
                             name += std::isalnum(c) ? c : '_';
                           return name;
                         });

}  // namespace
}  // namespace lumari::test
