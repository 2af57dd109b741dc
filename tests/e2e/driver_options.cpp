#include "driver_options.h"

#include <map>

namespace lumari::test {
namespace {

DriverOptions options;

}  // namespace

const DriverOptions& driver_options() { return options; }

bool parse_driver_options(int argc, char** argv, std::string& error) {
  const std::map<std::string, std::string*> known = {
      {"--program", &options.program},   {"--work", &options.work},
      {"--out", &options.out},           {"--service-url", &options.service_url},
      {"--sent-log", &options.sent_log}, {"--request-log", &options.request_log},
  };
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const auto equals = argument.find('=');
    const auto found = known.find(argument.substr(0, equals));
    if (equals == std::string::npos || found == known.end()) {
      error = "unknown option " + argument;
      return false;
    }
    *found->second = argument.substr(equals + 1);
  }
  for (const auto& [name, value] : known) {
    if (value->empty()) {
      error = "missing option " + name + "=...";
      return false;
    }
  }
  for (std::string* path :
       {&options.program, &options.work, &options.out, &options.sent_log, &options.request_log}) {
    *path = windows_path(*path);
  }
  return true;
}

std::string windows_path(std::string_view path) {
  if (path.empty() || path.front() != '/') return std::string(path);
  std::string converted = "Z:";
  for (const char c : path) converted += c == '/' ? '\\' : c;
  return converted;
}

std::string join(std::string_view folder, std::string_view name) {
  std::string joined(folder);
  if (!joined.empty() && joined.back() != '\\') joined += '\\';
  joined += name;
  return joined;
}

}  // namespace lumari::test
