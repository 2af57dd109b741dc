#include "service_fixture.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "headless/curl_web_client.h"
#include "sync/order_record.h"
#include "sync/stamp.h"
#include "text/line_file.h"

namespace lumari::test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

ServiceTest::ServiceTest() {
  data_dir = (root.path() / "program" / "data").string();
  mt4_dir = (root.path() / "mt4").string() + "/";
  exchange_dir = (root.path() / "mt4" / "experts" / "files").string();
  sent_log = (root.path() / "sent.log").string();
  fs::create_directories(exchange_dir);
}

void ServiceTest::start_service(std::vector<std::string> options, int on_port) {
  std::vector<std::string> args = {"--port", std::to_string(on_port), "--sent-log", sent_log};
  args.insert(args.end(), options.begin(), options.end());
  service = std::make_unique<ChildProcess>(
      LUMARI_DEMO_SERVICE, args, std::map<std::string, std::string>{}, root.path().string(),
      "service" + std::to_string(runs++));
  const auto first = service->first_stdout_line(10s);
  ASSERT_TRUE(first.has_value()) << service->stderr_text();
  port = std::stoi(*first);
}

void ServiceTest::stop_service() {
  if (!service) return;
  service->signal(SIGTERM);
  ASSERT_TRUE(service->wait_for_exit(10s).has_value());
}

std::string ServiceTest::service_url() const { return "http://127.0.0.1:" + std::to_string(port); }

std::string ServiceTest::service_get(const std::string& path_and_query) const {
  auto client = headless::make_curl_web_client();
  auto body = client->get(service_url() + path_and_query);
  return body ? *body : std::string();
}

void ServiceTest::install() {
  write_bytes(fs::path(data_dir) / "settings.dat", mt4_dir + "\r\n");
  write_bytes(fs::path(data_dir) / "install.dat", "\r\n");
}

std::unique_ptr<ChildProcess> ServiceTest::start_headless(const std::vector<std::string>& options,
                                                          const std::string& password) {
  std::vector<std::string> args = {"--data-dir",  data_dir,         "--service",
                                   service_url(), "--password-env", "PW"};
  args.insert(args.end(), options.begin(), options.end());
  return std::make_unique<ChildProcess>(LUMARI_HEADLESS, args,
                                        std::map<std::string, std::string>{{"PW", password}},
                                        root.path().string(), "headless" + std::to_string(runs++));
}

HeadlessRun ServiceTest::run_headless(const std::vector<std::string>& options,
                                      const std::string& password, std::chrono::seconds limit) {
  auto child = start_headless(options, password);
  HeadlessRun run;
  const auto code = child->wait_for_exit(limit);
  EXPECT_TRUE(code.has_value()) << "lumari-headless did not end within " << limit.count() << " s";
  run.exit_code = code.value_or(-1);
  run.out = child->stdout_text();
  run.err = child->stderr_text();
  return run;
}

std::string ServiceTest::data(const std::string& name) const {
  return read_bytes(fs::path(data_dir) / name);
}

std::string ServiceTest::exchange(const std::string& name) const {
  return read_bytes(fs::path(exchange_dir) / name);
}

OrderLines ServiceTest::exchange_lines(const std::string& name) const {
  return core::split_lines(exchange(name));
}

OrderLines ServiceTest::sent_lines() const { return core::split_lines(read_bytes(sent_log)); }

}  // namespace lumari::test
