// What the fault sweep expects: the files a fault-free run writes, and the
// rules that a cycle keeps whatever operation failed in it.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "exchange_checks.h"
#include "fault_injector.h"
#include "scenario.h"

namespace lumari::test {

/// The files after each answer of a fault-free run from the scenario's state.
struct FaultFreeRun {
  ExchangeBytes start;               ///< after the warm-up cycle
  std::vector<ExchangeBytes> after;  ///< after each answer
  std::int64_t counter = 0;          ///< versions the run saved to the order log
  std::size_t operations_first = 0;  ///< file operations of the first answer's cycle
};

[[nodiscard]] FaultFreeRun run_fault_free(const std::vector<std::string>& answers,
                                          const Scenario& from = scenario());

/// The lines the reference model's order log holds after the scenario's warm-up
/// and these answers: every line the program's log may hold by then.
[[nodiscard]] std::set<std::string> model_log_lines(const std::vector<std::string>& answers,
                                                    const Scenario& from = scenario());

/// What is wrong after one cycle that may have failed: the order log broke its
/// rules (see order_log_breaks), a file is neither its old content nor what a
/// replace put in place whole, or a temporary file was left in the folder
/// (allowed only where removing it was itself refused).
[[nodiscard]] std::string broken_rules(const ExchangeBytes& before, const ExchangeBytes& after,
                                       const FaultInjector& faults,
                                       const std::set<std::string>& allowed_log_lines,
                                       const std::string& folder);

/// Where the files differ from those a fault-free run ends with ("equal" as in
/// order_log_differences and current_file_differences).
[[nodiscard]] std::string differences(const ExchangeBytes& actual, const ExchangeBytes& expected);

}  // namespace lumari::test
