// e2e_driver: works LumariTerminal.exe through window messages like a user,
// one GoogleTest test per scenario (chosen with --gtest_filter by the runner).
#include <gtest/gtest.h>

#include <iostream>
#include <string>

#include "driver_options.h"
#include "e2e_fixture.h"

namespace {

constexpr const char* kUsage =
    "usage: e2e_driver [gtest options] --program=EXE --work=DIR --out=DIR --service-url=URL\n"
    "                  --sent-log=FILE --request-log=FILE [--program-folder=DIR]\n"
    "                  [--installer=EXE]\n"
    "Linux paths (/x/y) are taken as Wine shows them (Z:\\x\\y).\n";

// On every failure: a picture of the screen and the program's windows, taken
// before the test tears the program down.
class FailureReporter : public ::testing::EmptyTestEventListener {
  void OnTestPartResult(const ::testing::TestPartResult& result) override {
    if (result.failed()) lumari::test::report_failure_of_active_test();
  }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::string error;
  if (!lumari::test::parse_driver_options(argc, argv, error)) {
    std::cerr << "e2e_driver: " << error << "\n" << kUsage;
    return 64;
  }
  ::testing::UnitTest::GetInstance()->listeners().Append(new FailureReporter);
  return RUN_ALL_TESTS();
}
