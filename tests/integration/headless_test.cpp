// lumari-headless against lumari-demo-service over loopback, in temporary program
// and MT4 folders: the scenarios of cases/headless.txt.
#include "cases/headless.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>

#include "headless/curl_web_client.h"
#include "reference_model.h"
#include "support/case_file.h"
#include "support/child_process.h"
#include "support/printable.h"
#include "support/temp_folder.h"
#include "text/line_file.h"

namespace lumari::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

int count_of(const std::string& text, const std::string& part) {
  int n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1), ++n) {
  }
  return n;
}

class ServiceTest : public ::testing::Test {
 protected:
  ServiceTest() {
    fs::create_directories(exchange_);
    ::setenv("PW", "demo", 1);
  }
  ~ServiceTest() override {
    for (Child* child : {&service_, &headless_}) {
      if (child->ended()) continue;
      ::kill(child->pid, SIGKILL);
      (void)eventually([&] { return child->ended(); });
    }
  }

  /// Runs one step; cases/headless.txt says what each verb does.
  void step(const CaseRow& row) {
    SCOPED_TRACE(row[0] + (row.size() > 1 ? " " + printable(row[1]) : ""));
    const std::string& verb = row[0];
    const auto arg = [&](std::size_t i) { return i < row.size() ? expand(row[i]) : ""; };
    if (verb == "service" || verb == "restart") {  // restart: on the same port, options
      if (verb == "service") port_ = 0, options_ = arg(1);
      service_ = start(std::string(LUMARI_DEMO_SERVICE) + " --port " + std::to_string(port_) +
                       " --sent-log {root}/sent.log " + options_);
      ASSERT_TRUE(eventually([&] { return count_of(service_.out(), "\n") > 0; }));
      port_ = std::stoi(service_.out());
    } else if (verb == "stop" || verb == "term") {
      Child& child = verb == "stop" ? service_ : headless_;
      ::kill(child.pid, SIGTERM);
      ASSERT_TRUE(verb == "term" || eventually([&] { return service_.ended(); }));
    } else if (verb == "install") {
      write_bytes(data_ + "/settings.dat", mt4_ + "\r\n");
      write_bytes(data_ + "/install.dat", "\r\n");
    } else if (verb == "password") {
      ::setenv("PW", arg(1).c_str(), 1);
    } else if (verb == "start" || verb == "run") {
      started_ = Clock::now();
      headless_ = start(std::string(LUMARI_HEADLESS) + " --data-dir {data} --service " +
                        service_url() + " --password-env PW " + arg(verb == "run" ? 2 : 1));
      if (verb == "run") step({"end", row[1]});
    } else if (verb == "end") {
      ASSERT_TRUE(eventually([&] { return headless_.ended(); }, 60s)) << "it did not end";
      took_ = Clock::now() - started_;
      EXPECT_EQ(headless_.code, std::stoi(arg(1))) << text_of("err");
    } else if (verb == "await") {
      ASSERT_TRUE(eventually([&] { return count_of(text_of("out"), arg(2)) >= std::stoi(arg(1)); }))
          << text_of("out");
    } else if (verb == "within") {
      EXPECT_LT(took_, std::chrono::seconds(std::stoi(arg(1))));
    } else if (verb == "write") {
      write_bytes(arg(1), arg(2));
    } else if (verb == "mkdir" || verb == "exchange") {
      fs::create_directories(arg(1));
      if (verb == "exchange") exchange_ = arg(1);
    } else if (verb == "remove") {
      fs::remove_all(arg(1));
    } else if (verb == "keep") {
      kept_[arg(1)] = text_of(arg(1));
    } else if (verb == "merged") {
      const auto sent = lines_of(read_bytes(root_.file("sent.log")));
      ASSERT_FALSE(sent.empty());
      const PassOutput want = files_from_sent(sent);
      EXPECT_TRUE(arg(1).empty() || sent.size() > lines_of(want.log).size()) << "no repeats";
      EXPECT_EQ(read_bytes(exchange_ + "/Lumari.log"), want.log);
      EXPECT_EQ(sorted_lines(read_bytes(exchange_ + "/ServerOrder.log")), sorted_lines(want.current));
    } else {
      ASSERT_EQ(verb, "check");
      check(arg(1), row[2], arg(3));
    }
  }

  void check(const std::string& what, const std::string& test, const std::string& text) {
    const std::string actual = text_of(what);
    const std::string& kept = kept_[what];
    const int n = count_of(actual, text);
    const bool holds = std::isdigit(test[0])
                           ? (test.back() == '+' ? n >= std::stoi(test) : n == std::stoi(test))
                       : test == "="     ? actual == text
                       : test == "has"   ? n > 0
                       : test == "lacks" ? n == 0
                       : test == "~"     ? std::regex_match(actual, std::regex(text))
                       : test == "same"  ? actual == kept
                       : test == "grown" ? actual.compare(0, kept.size(), kept) == 0
                                         : test == "absent" && !fs::exists(what);
    EXPECT_TRUE(holds) << what << " " << test << " \"" << printable(text) << "\", but it holds \""
                       << printable(actual) << '"';
  }

  /// "out" and "err" of the headless program, the body of "get:<path>" from the
  /// service, the bytes of a file, the listing of a folder.
  [[nodiscard]] std::string text_of(const std::string& what) const {
    if (what == "out" || what == "err") return read_bytes(headless_.output + "." + what);
    if (what.rfind("get:", 0) == 0) {
      const auto body = headless::make_curl_web_client()->get(service_url() + what.substr(4));
      return body ? *body : std::string();
    }
    return fs::is_directory(what) ? folder_listing(what) : read_bytes(what);
  }

  [[nodiscard]] std::string service_url() const {
    return "http://127.0.0.1:" + std::to_string(port_);
  }
  [[nodiscard]] std::string expand(const std::string& text) const {
    return with_values(text, {{"{root}", root_.path().string()},
                              {"{data}", data_},
                              {"{mt4}", mt4_},
                              {"{exchange}", exchange_}});
  }

  /// Starts the command line's program; its output goes next to the folders.
  [[nodiscard]] Child start(const std::string& command) {
    std::istringstream words(expand(command));
    Child child = spawn({std::istream_iterator<std::string>(words), {}},
                        root_.file("run" + std::to_string(++runs_)));
    EXPECT_GT(child.pid, 0) << command;
    return child;
  }

  TempFolder root_;
  std::string data_ = root_.file("program/data");
  std::string mt4_ = root_.file("mt4") + "/";
  std::string exchange_ = root_.file("mt4/experts/files");
  std::string options_;
  int port_ = 0;
  int runs_ = 0;
  Child service_;
  Child headless_;
  Clock::time_point started_;
  Clock::duration took_{};
  std::map<std::string, std::string> kept_;
};

/// A "test" row with the scenario's name, then its steps.
using Scenario = std::vector<CaseRow>;

std::vector<Scenario> scenarios() {
  std::vector<Scenario> all;
  for (CaseRow& row : case_rows(kCases_headless)) {
    if (row[0] == "test") all.emplace_back();
    all.back().push_back(std::move(row));
  }
  return all;
}

class Headless : public ServiceTest, public ::testing::WithParamInterface<Scenario> {};

TEST_P(Headless, RunsAsTheScenarioSays) {
  for (std::size_t i = 1; i < GetParam().size() && !HasFatalFailure(); ++i) step(GetParam()[i]);
}

INSTANTIATE_TEST_SUITE_P(Scenario, Headless, ::testing::ValuesIn(scenarios()),
                         [](const auto& p) { return p.param[0][1]; });

}  // namespace
}  // namespace lumari::test
