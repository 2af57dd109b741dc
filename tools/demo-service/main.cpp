// lumari-demo-service: the loopback stand-in of the trade-signal service.
// Prints its port on stdout, serves until SIGINT or SIGTERM, exits 0.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "account_config.h"
#include "http_server.h"
#include "options.h"
#include "request_log.h"
#include "sent_log.h"
#include "service.h"

namespace {

using namespace lumari::demo;

constexpr int kUsageError = 2;
constexpr int kRunError = 1;

lumari::core::Result<std::vector<Account>> gather_accounts(const Options& options) {
  if (!options.config && options.accounts.empty()) return default_accounts();
  std::vector<Account> accounts;
  if (options.config) {
    auto loaded = load_account_file(*options.config);
    if (!loaded) return loaded.error();
    accounts = std::move(loaded.value());
  }
  for (const auto& line : options.accounts) {
    auto account = parse_account_line(line);
    if (!account) return lumari::core::fail("--account: " + account.error().message);
    accounts.push_back(std::move(account.value()));
  }
  if (auto unique = check_unique(accounts); !unique) return unique.error();
  return accounts;
}

int run(const Options& options) {
  auto accounts = gather_accounts(options);
  if (!accounts) {
    std::fprintf(stderr, "lumari-demo-service: %s\n", accounts.error().message.c_str());
    return kUsageError;
  }
  SentLog sent_log(options.sent_log);
  if (auto writable = sent_log.check_writable(); !writable) {
    std::fprintf(stderr, "lumari-demo-service: %s\n", writable.error().message.c_str());
    return kRunError;
  }

  // Signals are taken by sigwait on this thread only; every thread started
  // from here on inherits the blocked mask. SIGUSR1 means the server ended.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  ServiceSettings settings;
  settings.stream = {options.seed, options.max_open, options.max_orders};
  settings.repeat = options.repeat;
  DemoService service(std::move(accounts.value()), settings, std::move(sent_log));
  FaultSwitch faults(options.fault, options.fault_all);
  DemoHttpServer server(service, faults);

  const auto port = server.bind_loopback(options.port);
  if (!port) {
    std::fprintf(stderr, "lumari-demo-service: %s\n", port.error().message.c_str());
    return kRunError;
  }
  std::printf("%d\n", *port);
  std::fflush(stdout);
  log_line("listening on 127.0.0.1:" + std::to_string(*port) + ", fault " +
           fault_text(options.fault) + (options.fault_all ? " on every request" : ""));

  bool served = true;
  std::thread serving([&] {
    served = server.serve();
    kill(getpid(), SIGUSR1);
  });
  int received = 0;
  sigwait(&signals, &received);
  server.shutdown();
  serving.join();
  if (received != SIGUSR1) {
    log_line(std::string("stopped by ") + (received == SIGINT ? "SIGINT" : "SIGTERM"));
    return 0;
  }
  log_line("the server stopped by itself");
  return served ? 0 : kRunError;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  auto options = parse_options(arguments);
  if (!options) {
    std::fprintf(stderr, "lumari-demo-service: %s\n", options.error().message.c_str());
    return kUsageError;
  }
  if (options->help) {
    std::fputs(help_text().c_str(), stdout);
    return 0;
  }
  return run(*options);
}
