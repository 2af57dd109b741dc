#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <regex>
#include <thread>

#include "service_fixture.h"

namespace lumari::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::vector<std::string> kDemoLogin = {"--email", "demo@example.com"};

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

int count_of(const std::string& text, const std::string& part) {
  int n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST_F(ServiceTest, FirstRunSavesSettingsWritesMarkerAndLogsIn) {
  start_service();
  const auto run = run_headless(with(
      kDemoLogin, {"--mt4", mt4_dir + "terminal.exe", "--cycles", "2", "--interval-ms", "20"}));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(count_of(run.err, "Lumari Terminal: Please locate your MT4 now\n"), 1) << run.err;
  EXPECT_EQ(data("settings.dat"), mt4_dir + "\r\n");
  EXPECT_EQ(data("install.dat"), "\r\n");
  EXPECT_EQ(data("systemp.dat"), "11;Alpha\r\n");
  EXPECT_EQ(data("chklogin.dat"), "1;0; \r\n");
  EXPECT_TRUE(fs::exists(fs::path(exchange_dir) / "Lumari.log"));
}

TEST_F(ServiceTest, FirstRunWithACapitalTerminalExeIsRejected) {
  start_service();
  const auto run = run_headless(with(kDemoLogin, {"--mt4", mt4_dir + "Terminal.exe"}));
  EXPECT_EQ(run.exit_code, 4);
  EXPECT_TRUE(contains(run.err,
                       "Lumari Terminal: The Application is invalid. Make sure you have "
                       "chosen terminal.exe file\n"))
      << run.err;
  EXPECT_FALSE(fs::exists(fs::path(data_dir) / "settings.dat"));
  EXPECT_FALSE(fs::exists(fs::path(data_dir) / "install.dat"));
}

TEST_F(ServiceTest, OneSystemPollingFillsBothFilesWithWhatWasSent) {
  start_service({"--max-orders", "6", "--repeat", "--seed", "5"});
  install();
  const auto run = run_headless(with(kDemoLogin, {"--cycles", "60", "--interval-ms", "10"}));
  ASSERT_EQ(run.exit_code, 0) << run.err;

  const OrderLines sent = sent_lines();
  ASSERT_FALSE(sent.empty());
  EXPECT_GT(sent.size(), distinct_versions(sent).size()) << "--repeat sends versions again";
  EXPECT_EQ(exchange_lines("Lumari.log"), distinct_versions(sent))
      << "every version exactly once, in the order first received";
  EXPECT_EQ(sorted(exchange_lines("ServerOrder.log")), latest_versions(sent));
  EXPECT_EQ(count_of(run.out, " log="), 60) << "one status line per tick";
  EXPECT_TRUE(contains(run.out, " orders log=")) << run.out;
  EXPECT_EQ(count_of(run.out, "exchange folder: " + exchange_dir + "\n"), 1) << run.out;
}

TEST_F(ServiceTest, CurrentTerminalIsFoundByTheOriginOfItsDataFolder) {
  start_service({"--max-orders", "4", "--seed", "9"});
  fs::remove_all(fs::path(mt4_dir) / "experts");
  const fs::path terminals = root.path() / "Terminal";
  write_bytes(terminals / "0F1E" / "origin.txt", "\xEF\xBB\xBF" + mt4_dir);
  write_bytes(terminals / "other" / "origin.txt", "/somewhere/else");
  fs::create_directories(terminals / "other" / "MQL4" / "Files");
  exchange_dir = (terminals / "0F1E" / "MQL4" / "Files").string();
  fs::create_directories(exchange_dir);
  const auto run =
      run_headless(with(kDemoLogin, {"--mt4", mt4_dir + "terminal.exe", "--terminal-data",
                                     terminals.string(), "--cycles", "30", "--interval-ms", "10"}));
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(count_of(run.out, "exchange folder: " + exchange_dir + "\n"), 1) << run.out;
  const OrderLines sent = sent_lines();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(exchange_lines("Lumari.log"), distinct_versions(sent));
  EXPECT_EQ(sorted(exchange_lines("ServerOrder.log")), latest_versions(sent));
  EXPECT_TRUE(fs::is_empty(terminals / "other" / "MQL4" / "Files"));
}

TEST_F(ServiceTest, SeveralSystemsFollowTheChosenOne) {
  start_service({"--max-orders", "3"});
  install();
  const auto run = run_headless({"--email", "multi@example.com", "--system", "12",
                                 "--remember-system", "--cycles", "30", "--interval-ms", "10"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(data("systemp.dat"), "11;Alpha\r\n12;Beta Fund\r\n15;Gamma\r\n");
  const auto lines = exchange_lines("ServerOrder.log");
  ASSERT_FALSE(lines.empty());
  for (const auto& line : lines) EXPECT_TRUE(contains(line, "magic=12")) << line;
  EXPECT_TRUE(contains(service_get("/demo/state"), "12")) << "the choice reached the service";
  // The remembered choice is preselected next time.
  EXPECT_TRUE(contains(data("chklogin.dat"), "2;1;12 Beta Fund8\r\n")) << data("chklogin.dat");
}

TEST_F(ServiceTest, UnknownSystemIdEndsWithoutFollowing) {
  start_service();
  install();
  const auto run = run_headless({"--email", "multi@example.com", "--system", "99"});
  EXPECT_EQ(run.exit_code, 5);
}

TEST_F(ServiceTest, RefusedLoginEndsWithLoginError) {
  start_service();
  install();
  const auto run = run_headless(kDemoLogin, "wrong");
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_TRUE(contains(run.err, "Lumari Terminal: Login Error\n")) << run.err;
  EXPECT_FALSE(fs::exists(fs::path(data_dir) / "systemp.dat"));
  EXPECT_FALSE(contains(run.err, "wrong")) << "the password never reaches the console";
}

TEST_F(ServiceTest, AccountWithoutSystemsEndsWithNothingToFollow) {
  start_service();
  install();
  const auto run = run_headless({"--email", "none@example.com"});
  EXPECT_EQ(run.exit_code, 5);
  EXPECT_EQ(data("systemp.dat"), "");
}

// A stop that comes as soon as the port is printed, before the service has
// started accepting, must still end it (it once went on serving for ever).
TEST_F(ServiceTest, ServiceStoppedAsSoonAsItListensEnds) {
  for (int round = 0; round < 40 && !HasFatalFailure(); ++round) {
    start_service();
    stop_service();
  }
}

TEST_F(ServiceTest, DeadServiceAtLoginSaysSoAndEnds) {
  start_service();
  install();
  stop_service();
  const auto run = run_headless(kDemoLogin);
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_TRUE(contains(run.err, "Lumari Terminal: Login Error The service could not be reached"))
      << run.err;
}

TEST_F(ServiceTest, ForcedLogoutStopsPollingAndShowsTheLoginWindow) {
  start_service({"--max-orders", "2"});
  install();
  auto headless = start_headless(with(kDemoLogin, {"--cycles", "100000", "--interval-ms", "20"}));
  // Wait until the first computer polls, then log in and poll from a second one.
  for (int i = 0; i < 500 && !contains(headless->stdout_text(), "log="); ++i) {
    std::this_thread::sleep_for(10ms);
  }
  ASSERT_TRUE(contains(headless->stdout_text(), "log=")) << headless->stderr_text();
  EXPECT_EQ(service_get("/LumariLoginCheckAction.do?email=demo%40example.com&password=demo"),
            "1234;11;Alpha;");
  EXPECT_NE(service_get("/GetTD.do?systemid=11&userid=1234&loginid=OTHER-COMPUTER"), "\r\nYYY");

  const auto code = headless->wait_for_exit(20s);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 3);
  EXPECT_EQ(count_of(headless->stderr_text(),
                     "Lumari Terminal: User with same credentials is login on another computer. "
                     "You are forced to logout!.\n"),
            1)
      << headless->stderr_text();
  EXPECT_TRUE(contains(headless->stdout_text(), "forced logout"));
  EXPECT_EQ(count_of(data("lumari.dat"), "\r\n"), 1) << "left as Exit does";
}

TEST_F(ServiceTest, IdleAndErrorPagesChangeNothing) {
  start_service({"--max-orders", "3"});
  install();
  ASSERT_EQ(run_headless(with(kDemoLogin, {"--cycles", "20", "--interval-ms", "10"})).exit_code, 0);
  const std::string log = exchange("Lumari.log");
  const std::string current = exchange("ServerOrder.log");
  ASSERT_FALSE(log.empty());

  EXPECT_EQ(service_get("/demo/fault?mode=error-page").substr(0, 2), "OK");
  auto run = run_headless(with(kDemoLogin, {"--cycles", "5", "--interval-ms", "10"}));
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(count_of(run.out, " error page "), 5) << run.out;
  EXPECT_EQ(exchange("Lumari.log"), log);

  EXPECT_EQ(service_get("/demo/fault?mode=none").substr(0, 2), "OK");
  // The stream of three orders is over: every later answer is idle. The
  // current-order file, emptied at the start of a run, is rebuilt only by a pass.
  run = run_headless(with(kDemoLogin, {"--cycles", "5", "--interval-ms", "10"}));
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(count_of(run.out, " idle "), 5) << run.out;
  EXPECT_EQ(exchange("Lumari.log"), log);
}

TEST_F(ServiceTest, DeadServiceMidRunNeitherHangsNorLosesAnything) {
  start_service({"--max-orders", "8", "--seed", "9"});
  install();
  const int first_port = port;
  auto headless = start_headless(with(kDemoLogin, {"--cycles", "150", "--interval-ms", "20"}));
  for (int i = 0; i < 500 && count_of(headless->stdout_text(), " orders ") < 3; ++i) {
    std::this_thread::sleep_for(10ms);
  }
  stop_service();
  for (int i = 0; i < 500 && count_of(headless->stdout_text(), " no answer ") < 3; ++i) {
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_GE(count_of(headless->stdout_text(), "(connection refused)"), 3)
      << headless->stdout_text();
  const std::string log_while_down = exchange("Lumari.log");

  start_service({"--max-orders", "8", "--seed", "9"}, first_port);
  const auto code = headless->wait_for_exit(60s);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0) << headless->stderr_text();
  const std::string log_after = exchange("Lumari.log");
  EXPECT_EQ(log_after.compare(0, log_while_down.size(), log_while_down), 0)
      << "the order log only grows";
  EXPECT_EQ(exchange_lines("Lumari.log"), distinct_versions(sent_lines()));
  // The silence and its end are told once each, on stderr.
  EXPECT_EQ(count_of(headless->stderr_text(),
                     "Lumari Terminal: No answer from the service: connection refused\n"),
            1)
      << headless->stderr_text();
  EXPECT_EQ(count_of(headless->stderr_text(), "Lumari Terminal: The service answers again\n"), 1)
      << headless->stderr_text();
}

TEST_F(ServiceTest, HangingServiceEndsTheTickAtTheDeadline) {
  start_service();
  install();
  EXPECT_EQ(service_get("/demo/fault?mode=hang&count=1").substr(0, 2), "OK");
  const auto started = std::chrono::steady_clock::now();
  const auto run =
      run_headless(with(kDemoLogin, {"--cycles", "2", "--interval-ms", "10"}), "demo", 40s);
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(count_of(run.out, " no answer "), 1) << run.out;
  EXPECT_TRUE(contains(run.out, "(timed out)")) << run.out;
  EXPECT_TRUE(contains(run.out, " orders ")) << "polling goes on after the hang";
  EXPECT_LT(took, 25s);
}

TEST_F(ServiceTest, TerminationLeavesAsExitDoes) {
  start_service();
  install();
  auto headless = start_headless(with(kDemoLogin, {"--interval-ms", "20"}));
  for (int i = 0; i < 500 && !contains(headless->stdout_text(), "log="); ++i) {
    std::this_thread::sleep_for(10ms);
  }
  headless->signal(SIGTERM);
  const auto code = headless->wait_for_exit(20s);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0);
  const std::regex run_log_line(
      R"(\S+ start time = \S+ end time = \S+ Counter Lumarilog =  [0-9]+\r\n)");
  EXPECT_TRUE(std::regex_match(data("lumari.dat"), run_log_line)) << data("lumari.dat");
}

TEST_F(ServiceTest, RememberedEmailIsUsedWithoutTypingIt) {
  start_service();
  install();
  ASSERT_EQ(run_headless(with(kDemoLogin, {"--remember", "--cycles", "0"})).exit_code, 0);
  EXPECT_EQ(data("chklogin.dat"), "1;1;demo@example.com\r\n");
  const auto run = run_headless({"--cycles", "1", "--interval-ms", "10"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(count_of(data("lumari.dat"), "\r\n"), 2);
}

}  // namespace
}  // namespace lumari::test
