// lumari-headless killed at random moments (LUMARI_KILL_SEED picks them) while it
// polls a service whose orders change at every answer, over an order log of
// 100,000 lines, and then run to its end. A kill may leave the current-order
// file a pass behind, never with a version the order log lacks.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <unordered_map>

#include "reference_model.h"
#include "support/child_process.h"
#include "web/loopback_server.h"

namespace lumari::test {
namespace {

constexpr long kOrders = 8;  // the stream's orders, tickets 1 to 8
constexpr int kKills = 25;

/// A version of order `ticket`, stamped `second` seconds after 09:00.
std::string version(long ticket, long second) {
  char line[128];
  std::snprintf(line, sizeof line,
                "mtime=2026.01.05 %02ld:%02ld:%02ld00,EURUSD,ticket=%ld,BUY,0.10,1.08,1.07,1.09,"
                "OPEN,x,magic=11",
                9 + second / 3600, second / 60 % 60, second % 60, ticket);
  return line;
}

class Kill : public ::testing::Test {
 protected:
  ~Kill() override {
    if (!child_.ended()) ::kill(child_.pid, SIGKILL);
    (void)eventually([&] { return child_.ended(); });
  }

  /// The service: the login of an account with one system; order answers with
  /// the latest version of each order, a new one of order n % 8 at answer n.
  Answer answer(const std::string& request) {
    std::string body = "1234;11;Alpha;";
    if (request.find("/GetTD.do?") != std::string::npos) {
      const std::lock_guard lock(mutex_);
      const long n = answers_++;
      last_.clear();
      body = "\r";
      for (long k = 0; k < kOrders; ++k) {
        last_.push_back(version(k + 1, n + kOrders - (n + kOrders - k) % kOrders));
        body += "\n" + last_.back() + ";";
      }
    }
    return {"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
            body};
  }

  /// Starts the program on the same folders, to poll every millisecond.
  void start(const std::string& name, std::vector<std::string> args = {}) {
    args.insert(args.begin(),
                {LUMARI_HEADLESS, "--data-dir", root_.file("data"), "--service", service_.url(),
                 "--email", "demo@example.com", "--password-env", "PW", "--interval-ms", "1"});
    child_ = spawn(args, root_.file(name));
  }

  /// The files as a run left them: whole lines; the order log is what it held
  /// before and then versions it lacked; every line offered is a logged one.
  void expect_files_sound() {
    const std::string log = read_bytes(exchange_ + "Lumari.log");
    const std::string current = read_bytes(exchange_ + "ServerOrder.log");
    for (const std::string* text : {&log, &current})
      EXPECT_TRUE(text->empty() || text->ends_with("\r\n")) << "a cut line";
    ASSERT_TRUE(log.starts_with(log_)) << "the order log lost or changed older lines";
    for (const auto& line : lines_of(std::string_view(log).substr(log_.size()))) {
      const auto key = reference::parse_line(line, 0).version_key();
      EXPECT_TRUE(logged_.emplace(key, line).second) << "logged twice: " << line;
    }
    for (const auto& line : lines_of(current)) {
      const auto found = logged_.find(reference::parse_line(line, 0).version_key());
      EXPECT_TRUE(found != logged_.end() && found->second == line) << "not logged: " << line;
    }
    log_ = log;
  }

  TempFolder root_;
  std::string exchange_ = root_.file("mt4/experts/files/");
  std::mutex mutex_;
  long answers_ = 0;
  std::vector<std::string> last_;  // the last order answer's lines
  LoopbackServer service_{[this](const std::string& request) { return answer(request); }};
  Child child_;
  std::string log_;                                      // the order log after the last run
  std::unordered_map<std::string, std::string> logged_;  // its lines by version key
};

TEST_F(Kill, AtAnyMomentLosesNoVersionAndTheNextRunCatchesUp) {
  const char* seed_text = std::getenv("LUMARI_KILL_SEED");
  const unsigned seed = seed_text != nullptr ? static_cast<unsigned>(std::stoul(seed_text)) : 1;
  SCOPED_TRACE("LUMARI_KILL_SEED=" + std::to_string(seed));
  std::mt19937 random(seed);
  ASSERT_TRUE(service_.start());
  ::setenv("PW", "demo", 1);
  write_bytes(root_.file("data/settings.dat"), root_.file("mt4") + "/\r\n");
  write_bytes(root_.file("data/install.dat"), "\r\n");
  std::string log;
  for (long i = 0; i < 100'000; ++i) log += version(1001 + i % 100, i / 100) + "\r\n";
  write_bytes(exchange_ + "Lumari.log", log);
  ASSERT_NO_FATAL_FAILURE(expect_files_sound());

  for (int kill = 1; kill <= kKills; ++kill) {
    SCOPED_TRACE("kill " + std::to_string(kill));
    start("run" + std::to_string(kill));
    // From the end of its first tick on, each moment is as likely.
    ASSERT_TRUE(eventually([&] { return child_.out().find(" log=") != std::string::npos; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(random() % 250));
    ::kill(child_.pid, SIGKILL);
    ASSERT_TRUE(eventually([&] { return child_.ended(); }));
    ASSERT_EQ(child_.code, 128 + SIGKILL) << read_bytes(child_.output + ".err");
    ASSERT_NO_FATAL_FAILURE(expect_files_sound());
  }
  start("last", {"--cycles", "5"});
  ASSERT_TRUE(eventually([&] { return child_.ended(); }));
  EXPECT_EQ(child_.code, 0) << read_bytes(child_.output + ".err");
  ASSERT_NO_FATAL_FAILURE(expect_files_sound());
  const auto current = lines_of(read_bytes(exchange_ + "ServerOrder.log"));
  const std::lock_guard lock(mutex_);
  for (const std::string& line : last_)
    EXPECT_NE(std::find(current.begin(), current.end(), line), current.end()) << "lacks " << line;
}

}  // namespace
}  // namespace lumari::test
