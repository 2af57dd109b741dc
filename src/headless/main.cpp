// lumari-headless: the console front end of Lumari Terminal.
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "headless/headless_driver.h"
#include "headless/options.h"
#include "text/file_io.h"

int main(int argc, char** argv) {
  using namespace lumari::headless;
  std::setlocale(LC_ALL, "");
  // Replaced exchange files reach the disk before they are renamed into place.
  lumari::core::set_file_sync([](std::FILE* file) { return fsync(fileno(file)) == 0; });
  const std::vector<std::string> args(argv + 1, argv + argc);
  const auto options = parse_options(args);
  if (!options) {
    // One line, as a service's journal shows it.
    std::cerr << "lumari-headless: " << options.error().message << std::endl;
    return kExitUsage;
  }
  if (options->help) {
    std::cout << usage_text();
    return kExitOk;
  }
  return run_headless(*options, std::cout, std::cerr);
}
