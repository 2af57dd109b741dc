// lumari-headless against lumari-demo-service over loopback, in temporary program
// and MT4 folders: start the service, run the headless program, read the files.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "support/order_expectations.h"
#include "support/temp_folder.h"

namespace lumari::test {

struct HeadlessRun {
  int exit_code = -1;
  std::string out;
  std::string err;
};

class ServiceTest : public ::testing::Test {
 protected:
  ServiceTest();

  /// Starts the demo service with the extra options (on `port`, 0 = any).
  void start_service(std::vector<std::string> options = {}, int port = 0);
  void stop_service();
  [[nodiscard]] std::string service_url() const;
  /// A GET to the service; the body, or "" when no answer came.
  [[nodiscard]] std::string service_get(const std::string& path_and_query) const;

  /// Writes the data folder files of a finished installation.
  void install();
  /// Starts lumari-headless with the options; the password comes from PW.
  [[nodiscard]] std::unique_ptr<ChildProcess> start_headless(
      const std::vector<std::string>& options, const std::string& password = "demo");
  /// Runs lumari-headless to its end (failing the test after the limit).
  [[nodiscard]] HeadlessRun run_headless(const std::vector<std::string>& options,
                                         const std::string& password = "demo",
                                         std::chrono::seconds limit = std::chrono::seconds(60));

  [[nodiscard]] std::string data(const std::string& name) const;
  [[nodiscard]] std::string exchange(const std::string& name) const;
  [[nodiscard]] OrderLines exchange_lines(const std::string& name) const;
  [[nodiscard]] OrderLines sent_lines() const;

  TempFolder root;
  std::string data_dir;
  std::string mt4_dir;  ///< with its trailing slash
  std::string exchange_dir;
  std::string sent_log;
  int port = 0;
  std::unique_ptr<ChildProcess> service;
  int runs = 0;
};

}  // namespace lumari::test
