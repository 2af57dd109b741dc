// The command line of lumari-demo-service and its --help text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fault.h"
#include "ports/result.h"

namespace lumari::demo {

struct Options {
  int port = 0;
  std::optional<std::string> config;
  std::vector<std::string> accounts;  ///< --account values, in order
  std::uint64_t seed = 1;
  bool repeat = false;
  int max_orders = 0;
  int max_open = 5;
  std::optional<std::string> sent_log;
  Fault fault;
  bool fault_all = false;
  bool help = false;
};

/// Reads "--name value" and "--name=value" forms; the error says what is wrong.
[[nodiscard]] core::Result<Options> parse_options(const std::vector<std::string>& arguments);

/// Every option with its default, the account syntax and the built-in accounts.
[[nodiscard]] std::string help_text();

}  // namespace lumari::demo
