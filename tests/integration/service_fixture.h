// lumari-headless against lumari-demo-service over loopback, in temporary program
// and MT4 folders, driven by steps: rows of a case file (see cases/headless.txt)
// or rows a test makes.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <thread>

#include "headless/curl_web_client.h"
#include "support/case_file.h"
#include "support/order_expectations.h"
#include "support/printable.h"
#include "support/temp_folder.h"
#include "text/line_file.h"

namespace lumari::test {

using namespace std::chrono_literals;

/// A program started with stdout and stderr going to files, killed when the
/// object goes.
class ChildProcess {
 public:
  ChildProcess(std::vector<std::string> args, const std::string& output) : output_(output) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, 1, (output + ".out").c_str(), O_WRONLY | O_CREAT,
                                     0644);
    posix_spawn_file_actions_addopen(&files, 2, (output + ".err").c_str(), O_WRONLY | O_CREAT,
                                     0644);
    EXPECT_EQ(posix_spawn(&pid_, argv[0], &files, nullptr, argv.data(), environ), 0) << argv[0];
    posix_spawn_file_actions_destroy(&files);
  }
  ~ChildProcess() {
    if (wait_for_exit(0ms)) return;
    ::kill(pid_, SIGKILL);
    (void)wait_for_exit(10s);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  /// The exit code once the process has ended within the limit.
  [[nodiscard]] std::optional<int> wait_for_exit(std::chrono::milliseconds limit) {
    for (const auto end = std::chrono::steady_clock::now() + limit; !code_;) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        code_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      } else if (std::chrono::steady_clock::now() >= end) {
        break;
      } else {
        std::this_thread::sleep_for(5ms);
      }
    }
    return code_;
  }
  void signal(int sig) const { ::kill(pid_, sig); }
  [[nodiscard]] std::string out() const { return read_bytes(output_ + ".out"); }
  [[nodiscard]] std::string err() const { return read_bytes(output_ + ".err"); }

 private:
  pid_t pid_ = -1;
  std::optional<int> code_;
  std::string output_;
};

[[nodiscard]] inline int count_of(const std::string& text, const std::string& part) {
  int n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

/// Waits up to the limit for the condition.
template <typename Condition>
[[nodiscard]] bool eventually(Condition condition, std::chrono::milliseconds limit = 20s) {
  for (const auto end = std::chrono::steady_clock::now() + limit; !condition();) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

class ServiceTest : public ::testing::Test {
 protected:
  ServiceTest() {
    std::filesystem::create_directories(exchange_);
    ::setenv("PW", "demo", 1);
  }

  /// Runs one step; its verb and what it takes are in cases/headless.txt.
  void step(const CaseRow& row) {
    SCOPED_TRACE(row[0] + (row.size() > 1 ? " " + row[1] : ""));
    const std::string& verb = row[0];
    const auto arg = [&](std::size_t i) { return i < row.size() ? expand(row[i]) : ""; };
    if (verb == "service" || verb == "restart") {
      if (verb == "service") service_options_ = arg(1);
      service_.reset();
      service_.emplace(words(std::string(LUMARI_DEMO_SERVICE) + " --port " + std::to_string(port_) +
                             " --sent-log {root}/sent.log " + service_options_),
                       file("service" + std::to_string(++runs_)));
      ASSERT_TRUE(eventually([&] { return service_->out().find('\n') != std::string::npos; }));
      port_ = std::stoi(service_->out());
    } else if (verb == "stop") {
      service_->signal(SIGTERM);
      ASSERT_TRUE(service_->wait_for_exit(10s));
    } else if (verb == "bounce") {
      for (int i = 0; i < std::stoi(arg(1)) && !HasFatalFailure(); ++i) {
        port_ = 0;
        step({"service"});
        step({"stop"});
      }
    } else if (verb == "install") {
      write_bytes(data_ + "/settings.dat", mt4_ + "\r\n");
      write_bytes(data_ + "/install.dat", "\r\n");
    } else if (verb == "password") {
      ::setenv("PW", arg(1).c_str(), 1);
    } else if (verb == "start" || verb == "run") {
      headless_.reset();
      started_ = std::chrono::steady_clock::now();
      headless_.emplace(words(std::string(LUMARI_HEADLESS) + " --data-dir {data} --service " +
                              service_url() + " --password-env PW " + arg(verb == "run" ? 2 : 1)),
                        file("headless" + std::to_string(++runs_)));
      if (verb == "run") step({"end", row[1]});
    } else if (verb == "end") {
      const auto code = headless_->wait_for_exit(60s);
      took_ = std::chrono::steady_clock::now() - started_;
      ASSERT_TRUE(code) << "lumari-headless did not end";
      EXPECT_EQ(*code, std::stoi(arg(1))) << headless_->err();
    } else if (verb == "await") {
      ASSERT_TRUE(eventually([&] {
        return count_of(headless_->out(), arg(2)) >= std::stoi(arg(1));
      })) << headless_->out();
    } else if (verb == "term") {
      headless_->signal(SIGTERM);
    } else if (verb == "within") {
      EXPECT_LT(took_, std::chrono::seconds(std::stoi(arg(1))));
    } else if (verb == "write") {
      write_bytes(arg(1), arg(2));
    } else if (verb == "mkdir") {
      std::filesystem::create_directories(arg(1));
    } else if (verb == "remove") {
      std::filesystem::remove_all(arg(1));
    } else if (verb == "exchange") {
      exchange_ = arg(1);
      std::filesystem::create_directories(exchange_);
    } else if (verb == "keep") {
      kept_[arg(1)] = text_of(arg(1));
    } else if (verb == "merged") {
      const OrderLines sent = core::split_lines(read_bytes(root_.file("sent.log")));
      ASSERT_FALSE(sent.empty());
      EXPECT_TRUE(arg(1).empty() || sent.size() > distinct_versions(sent).size()) << "no repeats";
      EXPECT_EQ(core::split_lines(read_bytes(exchange_ + "/Lumari.log")), distinct_versions(sent));
      EXPECT_EQ(sorted(core::split_lines(read_bytes(exchange_ + "/ServerOrder.log"))),
                latest_versions(sent));
    } else if (verb == "check") {
      check(arg(1), row[2], arg(3));
    } else {
      FAIL() << "unknown step " << verb;
    }
  }

  /// Holds the text of "out", "err", "get:<path and query>" or a file to the
  /// row's test: = text, has, lacks, N times, N+ times or more, ~ whole regex,
  /// same and grown (against the text kept before), absent (no such file).
  void check(const std::string& what, const std::string& test, const std::string& text) {
    const std::string actual = text_of(what);
    const std::string& kept = kept_[what];
    bool holds = false;
    if (std::isdigit(test[0])) {
      const int n = count_of(actual, text);
      holds = test.back() == '+' ? n >= std::stoi(test) : n == std::stoi(test);
    } else {
      holds = test == "="       ? actual == text
              : test == "has"   ? actual.find(text) != std::string::npos
              : test == "lacks" ? actual.find(text) == std::string::npos
              : test == "~"     ? std::regex_match(actual, std::regex(text))
              : test == "same"  ? actual == kept
              : test == "grown" ? actual.compare(0, kept.size(), kept) == 0
                                : test == "absent" && !std::filesystem::exists(what);
    }
    EXPECT_TRUE(holds) << what << " " << test << " \"" << printable(text) << "\", but it holds \""
                       << printable(actual) << '"';
  }

  [[nodiscard]] std::string text_of(const std::string& what) {
    if (what == "out") return headless_->out();
    if (what == "err") return headless_->err();
    if (what.rfind("get:", 0) == 0) {
      const auto body = headless::make_curl_web_client()->get(service_url() + what.substr(4));
      return body ? *body : std::string();
    }
    // A folder's text is its listing.
    return std::filesystem::is_directory(what) ? folder_listing(what) : read_bytes(what);
  }

  [[nodiscard]] std::string service_url() const {
    return "http://127.0.0.1:" + std::to_string(port_);
  }
  [[nodiscard]] std::string file(const std::string& name) const { return root_.file(name); }
  [[nodiscard]] std::string expand(std::string text) const {
    for (const auto& [name, value] :
         std::map<std::string, std::string>{{"{root}", root_.path().string()},
                                            {"{data}", data_},
                                            {"{mt4}", mt4_},
                                            {"{exchange}", exchange_}}) {
      for (auto at = text.find(name); at != std::string::npos; at = text.find(name)) {
        text.replace(at, name.size(), value);
      }
    }
    return text;
  }
  [[nodiscard]] std::vector<std::string> words(const std::string& line) const {
    std::istringstream in(expand(line));
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
  }

  TempFolder root_;
  std::string data_ = root_.file("program/data");
  std::string mt4_ = root_.file("mt4") + "/";
  std::string exchange_ = root_.file("mt4/experts/files");
  int port_ = 0;
  std::string service_options_;
  std::optional<ChildProcess> service_;
  std::optional<ChildProcess> headless_;
  int runs_ = 0;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::duration took_{};
  std::map<std::string, std::string> kept_;
};

}  // namespace lumari::test
