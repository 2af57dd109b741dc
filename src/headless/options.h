// The command line of lumari-headless and the config file it may name: how its
// windows are answered and how long it polls.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ports/result.h"

namespace lumari::headless {

struct Options {
  std::optional<std::string> config;    ///< --config: a file of `name = value` lines
  std::optional<std::string> data_dir;  ///< --data-dir
  std::optional<std::string> service;   ///< --service
  std::optional<std::string> mt4;       ///< --mt4: typed into the settings window, then Save
  std::optional<std::string>
      terminal_data;                 ///< --terminal-data: root of the terminals' data folders
  std::optional<std::string> email;  ///< --email
  std::optional<std::string> password_file;  ///< --password-file: its first line is the password
  std::optional<std::string> password_env;   ///< --password-env: variable holding the password
  bool remember = false;                     ///< --remember: tick the login window's check box
  std::optional<std::string> system;         ///< --system: the entry to pick by its id
  bool remember_system = false;              ///< --remember-system
  std::optional<long> cycles;                ///< --cycles: ticks before leaving as Exit does
  std::optional<int> interval_ms;            ///< --interval-ms
  bool quiet = false;                        ///< --quiet: no status line per tick
  bool help = false;
};

/// The options of the arguments (without the program name) over those of the
/// config file that --config names. A failure names the first wrong argument,
/// or the file and the line number of the first wrong line.
[[nodiscard]] core::Result<Options> parse_options(const std::vector<std::string>& args);

/// The text of --help.
[[nodiscard]] std::string usage_text();

}  // namespace lumari::headless
