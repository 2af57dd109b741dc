// An App over real temporary folders for the fetch cycle's tests, with
// every file operation recorded and any of them made to fail on demand.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "support/app_harness.h"
#include "text/file_io.h"

namespace lumari::test {

/// One file operation the core asked for: what, and the file's name without folders.
struct FileCall {
  core::FileOp op;
  std::string name;
  friend bool operator==(const FileCall&, const FileCall&) = default;
};
void PrintTo(const FileCall& call, std::ostream* os);

/// An order line as the service sends it and the order log keeps it: field 1
/// carries the stamp 2026.12.05 14:<minute>:00 followed by two more characters.
[[nodiscard]] std::string order(std::string_view ticket, int minute,
                                std::string_view price = "1.1050");

/// An orders answer: two characters in front, the lines joined by ";" and one
/// more character in front of every later line, and a final ";" when asked.
[[nodiscard]] std::string orders_answer(std::initializer_list<std::string> lines,
                                        bool final_semicolon = true);

/// The lines, each followed by CR LF.
[[nodiscard]] std::string crlf(std::initializer_list<std::string> lines);

class CycleTest : public ::testing::Test {
 protected:
  CycleTest();
  ~CycleTest() override;

  /// A login with one trade system: the fetcher window is loaded and polling runs.
  void log_in();
  /// Queues the answer to the next orders request, then lets the timer tick.
  void tick_with(std::string answer);
  /// Queues a failed orders request, then lets the timer tick.
  void tick_without_answer(std::string why = "connection refused");
  /// Ticks as the polling timer does: only while it is enabled.
  void fire_timer();

  /// The orders requests sent so far.
  [[nodiscard]] std::vector<std::string> orders_requests() const;
  /// The file operations in the folder since they were last taken, in order.
  [[nodiscard]] std::vector<FileCall> take_calls_in(const std::string& folder);
  [[nodiscard]] std::vector<FileCall> take_exchange_calls() {
    return take_calls_in(h.exchange_folder);
  }
  [[nodiscard]] std::vector<FileCall> take_data_calls() { return take_calls_in(h.data_folder); }
  /// True when the calls hold the operation on the named file.
  [[nodiscard]] static bool has_call(const std::vector<FileCall>& calls, core::FileOp op,
                                     std::string_view name);

  AppHarness h;
  /// Consulted before each file operation; true makes that operation fail.
  std::function<bool(core::FileOp op, std::string_view name)> fail_when;

 private:
  std::vector<std::pair<FileCall, std::string>> calls_;  // with the full path
};

}  // namespace lumari::test
