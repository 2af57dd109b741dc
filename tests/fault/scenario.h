// A realistic moment in a run: an order log and a current-order file with a
// few orders, and the answers that follow (new versions, repeats, a new order,
// short pieces), shared by the fault sweep and the real-file-system tests.
#pragma once

#include <string>

#include "cycle_run.h"

namespace lumari::test {

struct Scenario {
  ExchangeBytes files;        ///< the exchange files before the warm-up cycle
  std::string system_orders;  ///< "SystemOrder.log", written by the MT4 side
  std::string warm_up;        ///< repeats only: the program rewrites both files as they are
  std::string first;          ///< new versions, repeats, a new order, a duplicate, short pieces
  std::string second;         ///< more new versions and a new order, and repeats
};

/// The scenario; with history, the order log first holds that many earlier
/// versions of one more order, so that it is much larger than the current-order file.
[[nodiscard]] const Scenario& scenario(std::size_t history = 0);

/// Puts the run into the scenario's state: files written, warm-up cycle done
/// (so the run's first server line is behind it). Returns the files after it.
ExchangeBytes enter_scenario(CycleRun& run, const Scenario& s = scenario());

}  // namespace lumari::test
