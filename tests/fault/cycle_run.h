// An App on fake ports over real temporary folders, logged in with one trade
// system so that polling runs; each tick is one fetch cycle with a given answer.
#pragma once

#include <string>

#include "exchange_checks.h"
#include "ports/result.h"
#include "support/app_harness.h"

namespace lumari::test {

/// The idle answer: nothing to do in this cycle.
inline constexpr std::string_view kIdleAnswer = "\r\nXXX";

/// The names the exchange folder may hold between cycles.
[[nodiscard]] const std::set<std::string>& exchange_file_names();

class CycleRun {
 public:
  /// Logs in; the fetcher window's load leaves an empty current-order file.
  CycleRun();

  /// One tick of the polling timer; the orders request gets this answer.
  void tick(core::Result<std::string> answer);
  [[nodiscard]] ExchangeBytes files() const { return read_exchange(h.exchange_folder); }
  void write_files(const ExchangeBytes& files);
  [[nodiscard]] const core::CycleReport& last_cycle() const { return h.app->last_cycle(); }
  [[nodiscard]] const std::vector<std::string>& unsaved() {
    return h.session().sync.unsaved_log_lines;
  }

  AppHarness h;
};

}  // namespace lumari::test
