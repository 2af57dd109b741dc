// The driver's command line: where the program file is, where a test works and
// leaves its screenshots, and how to reach the demo service and its logs.
#pragma once

#include <string>
#include <string_view>

namespace lumari::test {

struct DriverOptions {
  std::string program;      ///< LumariTerminal.exe as built
  std::string work;         ///< an empty folder for the test's program and MT4 folders
  std::string out;          ///< where screenshots go
  std::string service_url;  ///< the demo service's base URL
  std::string sent_log;     ///< the service's --sent-log file
  std::string request_log;  ///< the service's stderr: one line per request
  /// Optional: an installed program folder (environment variables expanded) whose
  /// LumariTerminal.exe runs where it is, with its own data folder, instead of a
  /// copy of `program` in a fresh folder.
  std::string program_folder;
  std::string installer;  ///< optional: the installer the package tests run
};

/// The options of this run (set once by main).
[[nodiscard]] const DriverOptions& driver_options();

/// Reads --name=value options (what gtest left over); false and `error` set when
/// a required one is missing or one is unknown.
[[nodiscard]] bool parse_driver_options(int argc, char** argv, std::string& error);

/// A Linux path as Wine shows it ("/tmp/x" is "Z:\tmp\x"); other paths unchanged.
[[nodiscard]] std::string windows_path(std::string_view path);

/// `folder` and `name` joined with one backslash.
[[nodiscard]] std::string join(std::string_view folder, std::string_view name);

}  // namespace lumari::test
