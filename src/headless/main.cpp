// lumari-headless: the console front end of Lumari Terminal.
#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "headless/headless_driver.h"
#include "headless/options.h"

int main(int argc, char** argv) {
  using namespace lumari::headless;
  std::setlocale(LC_ALL, "");
  const std::vector<std::string> args(argv + 1, argv + argc);
  const auto options = parse_options(args);
  if (!options) {
    std::cerr << "lumari-headless: " << options.error().message << "\n\n" << usage_text();
    return kExitUsage;
  }
  if (options->help) {
    std::cout << usage_text();
    return kExitOk;
  }
  return run_headless(*options, std::cout, std::cerr);
}
