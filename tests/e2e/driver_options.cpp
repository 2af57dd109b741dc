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
  const std::map<std::string, std::string*> optional = {
      {"--program-folder", &options.program_folder}, {"--installer", &options.installer}};
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const auto equals = argument.find('=');
    const std::string name = argument.substr(0, equals);
    std::string* value = nullptr;
    if (const auto found = known.find(name); found != known.end()) value = found->second;
    if (const auto found = optional.find(name); found != optional.end()) value = found->second;
    if (equals == std::string::npos || value == nullptr) {
      error = "unknown option " + argument;
      return false;
    }
    *value = argument.substr(equals + 1);
  }
  for (const auto& [name, value] : known) {
    if (value->empty()) {
      error = "missing option " + name + "=...";
      return false;
    }
  }
  for (std::string* path : {&options.program, &options.work, &options.out, &options.sent_log,
                            &options.request_log, &options.program_folder, &options.installer}) {
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
