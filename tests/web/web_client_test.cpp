// The platform's ports: its web client against a loopback server (bodies come
// back byte for byte whatever the status; every way a server can fail or stall
// ends in a short reason within the deadline), its adapter source and clock.
// Natively the Linux front end's ports; in the Windows build WinHTTP's.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <map>
#include <regex>

#include "cases/web.h"
#include "loopback_server.h"
#include "support/case_file.h"
#include "support/printable.h"
#include "support/service_faults.h"
#ifdef _WIN32
#include "win32/windows_adapter_source.h"
#include "win32/windows_clock.h"
#include "win32/winhttp_web_client.h"
namespace lumari::test {
auto web_client(core::WebClientLimits limits) { return win32::make_winhttp_web_client(limits); }
auto adapter_source() { return win32::make_windows_adapter_source(); }
auto clock_port() { return win32::make_windows_clock(); }
}  // namespace lumari::test
#else
#include "headless/curl_web_client.h"
#include "headless/linux_adapter_source.h"
#include "headless/system_clock.h"
namespace lumari::test {
auto web_client(core::WebClientLimits limits) { return headless::make_curl_web_client(limits); }
auto adapter_source() { return headless::make_linux_adapter_source(); }
auto clock_port() { return headless::make_system_clock(); }
}  // namespace lumari::test
#endif

namespace lumari::test {
namespace {

using namespace std::chrono_literals;

core::WebClientLimits limits_of(const std::string& kind) {
  core::WebClientLimits limits;
  if (kind == "standard") return limits;
  limits.connect_timeout_ms = 2000;
  limits.deadline_ms = 1500;
  limits.max_body_bytes = kind == "64k" ? 64 * 1024 : std::size_t{1} << 20;
  return limits;
}

class WebClientTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.start()); }
  void TearDown() override { server_.stop(); }

  /// The row's text with the stand-ins of the case file replaced.
  [[nodiscard]] std::string expand(const std::string& field) const {
    static const std::regex repeat(R"(\{(\d+)\*(.)\})");
    std::smatch m;
    std::string text =
        !std::regex_search(field, m, repeat)
            ? field
            : m.prefix().str() + std::string(std::stoul(m[1]), m[2].str()[0]) + m.suffix().str();
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    return with_values(text, {{"{server}", server_.url()},
                              {"{nobody}", "http://127.0.0.1:" + std::to_string(nobody_.port())},
                              {"{bytes}", bytes + std::string("\0\xff\0", 3)},
                              {"{nul}", std::string(1, '\0')}});
  }

  /// The answer of the first row for the request's path; the request line as
  /// the body when no row has one.
  [[nodiscard]] Answer answer(const std::string& request_line) const {
    const std::string target = request_line.substr(4, request_line.rfind(' ') - 4);
    const std::string path = server_.url() + target.substr(0, target.find('?'));
    static const std::map<std::string, Wire> kWires = {
        {"keep", Wire::Keep}, {"close", Wire::Close}, {"reset", Wire::Reset}, {"hang", Wire::Hang}};
    for (const CaseRow& row : case_rows(kCases_web)) {
      const auto wire = kWires.find(row[1]);
      if (wire != kWires.end() && expand(row[0].substr(0, row[0].find('?'))) == path) {
        return {expand(row[2]), wire->second, expand(row[3])};
      }
    }
    return {"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(request_line.size()) +
            "\r\n\r\n" + request_line};
  }

  LoopbackServer server_{[this](const std::string& line) { return answer(line); }};
  RefusingPort nobody_;
};

TEST_F(WebClientTest, EveryRequestEndsAsTheTableSays) {
  std::map<std::string, std::unique_ptr<core::WebClient>> clients;
  for (const CaseRow& row : case_rows(kCases_web)) {
    if (row[4] == "-") continue;
    const std::string url = expand(row[0]);
    SCOPED_TRACE(url);
    auto& client = clients[row[4]];
    if (!client) client = web_client(limits_of(row[4]));
    const auto started = std::chrono::steady_clock::now();
    const auto body = client->get(url);
    // Wine's start-up of a request and a busy machine get two seconds more.
    EXPECT_LT(std::chrono::steady_clock::now() - started,
              std::chrono::milliseconds(limits_of(row[4]).deadline_ms) + 2s);
    const bool fails = row[5].rfind("fail:", 0) == 0;
    ASSERT_NE(body.has_value(), fails)
        << (body ? printable(body->substr(0, 80)) : body.error().message);
    if (!fails) {
      EXPECT_EQ(printable(*body), printable(expand(row[5])));
      continue;
    }
    const std::string& reason = body.error().message;
    EXPECT_TRUE(problem_allowed(row[5].substr(5), reason)) << reason;
    for (const char* hidden : {"Pa55w0rdXyz", "example.com", "127.0.0.1"}) {
      EXPECT_EQ(reason.find(hidden), std::string::npos) << "the URL leaks into " << reason;
    }
  }
}

TEST(LocalPorts, AdapterListIsConsistentAndTheSameOnASecondRead) {
  const auto text_of = [](const core::AdapterList& list) {
    std::string text = std::to_string(list.count) + (list.read_ok ? " read" : " unread");
    for (const core::AdapterRecord& r : list.records) {
      text += " " + std::to_string(r.type) + ":" + std::string(r.address.begin(), r.address.end());
    }
    return printable(text);
  };
  auto source = adapter_source();
  const core::AdapterList list = source->list_adapters();
  EXPECT_EQ(text_of(list), text_of(source->list_adapters()));
  EXPECT_EQ(list.records.empty(), list.count == 0 || !list.read_ok) << text_of(list);
  EXPECT_LE(list.records.size(), list.count);
  for (const core::AdapterRecord& record : list.records) {
    EXPECT_NE(record.type, 0u);
    EXPECT_TRUE(record.type == core::kAdapterTypeEthernet ? record.address.size() == 6
                                                          : record.address.size() <= 8);
  }
}

TEST(LocalPorts, ClockGivesTheLocalDateAndFormatsItsParts) {
  auto clock = clock_port();
  const std::time_t seconds = std::time(nullptr);
  const std::tm today = *std::localtime(&seconds);
  const core::DateTime now = clock->now();
  EXPECT_EQ(core::DateTime({now.year, now.month, now.day, 0, 0, 0}),
            core::DateTime({today.tm_year + 1900, today.tm_mon + 1, today.tm_mday, 0, 0, 0}));
  EXPECT_TRUE(now.hour >= 0 && now.hour <= 23 && now.minute >= 0 && now.minute <= 59 &&
              now.second >= 0 && now.second <= 60);
  // Short date forms differ by locale (11/17/31, 17.11.31, 2031-11-17), but
  // every one shows the day, the month and the year's last two digits.
  const core::DateTime when{2031, 11, 17, 13, 5, 9};
  for (const char* part : {"17", "11", "31"}) {
    EXPECT_NE(clock->short_date_text(when).find(part), std::string::npos) << part;
  }
  for (const char* part : {"05", "09"}) {
    EXPECT_NE(clock->time_text(when).find(part), std::string::npos) << part;
  }
}

}  // namespace
}  // namespace lumari::test
