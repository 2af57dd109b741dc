// The headless program and the demo service, scenario by scenario as the case
// file has them.
#include "cases/headless.h"

#include "service_fixture.h"

namespace lumari::test {
namespace {

/// Each scenario: its name, then its steps.
std::vector<std::vector<CaseRow>> scenarios() {
  std::vector<std::vector<CaseRow>> all;
  for (CaseRow& row : case_rows(kCases_headless)) {
    if (row[0] == "test") all.emplace_back();
    all.back().push_back(std::move(row));
  }
  return all;
}

class Headless : public ServiceTest, public ::testing::WithParamInterface<std::vector<CaseRow>> {};

TEST_P(Headless, RunsAsTheScenarioSays) {
  for (std::size_t i = 1; i < GetParam().size() && !HasFatalFailure(); ++i) step(GetParam()[i]);
}

INSTANTIATE_TEST_SUITE_P(Scenario, Headless, ::testing::ValuesIn(scenarios()),
                         [](const auto& p) { return p.param[0][1]; });

}  // namespace
}  // namespace lumari::test
