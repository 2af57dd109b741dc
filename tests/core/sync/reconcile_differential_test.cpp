// The indexed pass against the reference model on random inputs: both must write
// the same bytes to both files, cycle after cycle.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "pass_runner.h"
#include "random_cases.h"
#include "shell/data_folder.h"
#include "support/app_harness.h"

namespace lumari::test {
namespace {

// Fixed in CI; LUMARI_DIFF_SEED and LUMARI_DIFF_CASES run other or more cases.
constexpr std::uint64_t kDefaultSeed = 20261205;
constexpr std::size_t kDefaultCases = 3000;
constexpr std::size_t kDefaultAppCases = 150;

std::uint64_t base_seed() {
  const char* text = std::getenv("LUMARI_DIFF_SEED");
  return text ? std::strtoull(text, nullptr, 10) : kDefaultSeed;
}

std::size_t case_count(std::size_t fallback) {
  const char* text = std::getenv("LUMARI_DIFF_CASES");
  return text ? std::strtoull(text, nullptr, 10) : fallback;
}

std::string describe(std::uint64_t seed, std::size_t cycle, const PassInput& input) {
  std::ostringstream out;
  out << "seed " << seed << " (rerun with LUMARI_DIFF_SEED=" << seed
      << " LUMARI_DIFF_CASES=1), cycle " << cycle << ", srvseen " << input.srvseen
      << "\n  answer:  " << printable(input.answer) << "\n  log:     " << printable(input.log)
      << "\n  current: " << printable(input.current);
  return out.str();
}

TEST(ReconcileDifferential, IndexedPassWritesWhatTheReferenceModelWrites) {
  const std::uint64_t first_seed = base_seed();
  const std::size_t cases = case_count(kDefaultCases);
  std::size_t new_versions = 0;
  std::size_t replacements_seen = 0;
  for (std::size_t c = 0; c < cases; ++c) {
    const std::uint64_t seed = first_seed + c;
    RandomCases random(seed);
    // One case in ten is larger: more orders, longer files and answers.
    const bool large = c % 10 == 9;
    const auto plans = large ? random.versions(12, 30) : random.versions(4, 8);
    PassInput input;
    input.log = random.file(plans, large ? 60 : 12);
    input.current = random.current_file(input.log, plans);
    input.srvseen = !random.chance(30);

    const std::size_t cycles = 1 + random.pick(3);
    for (std::size_t cycle = 0; cycle < cycles; ++cycle) {
      input.answer = random.answer(plans, large ? 20 : 8);
      const PassOutput indexed = run_indexed_pass(input);
      const PassOutput expected = run_reference_pass(input);
      ASSERT_EQ(printable(indexed.log), printable(expected.log)) << describe(seed, cycle, input);
      ASSERT_EQ(printable(indexed.current), printable(expected.current))
          << describe(seed, cycle, input);
      ASSERT_EQ(indexed.srvseen, expected.srvseen) << describe(seed, cycle, input);
      if (expected.log.size() > input.log.size()) ++new_versions;
      if (lines_of(expected.current) != lines_of(input.current)) ++replacements_seen;
      // The next cycle starts from the files this one wrote.
      input.log = expected.log;
      input.current = expected.current;
      input.srvseen = expected.srvseen;
    }
  }
  // The generator must keep exercising the interesting paths.
  EXPECT_GT(new_versions, cases / 4);
  EXPECT_GT(replacements_seen, cases / 4);
}

// The same comparison through the whole fetch cycle of the application: the
// answer comes from the web port, the lists are loaded from real files in a
// temporary folder and both files are written back.
TEST(ReconcileDifferential, FetchCycleWritesWhatTheReferenceModelWrites) {
  const std::uint64_t first_seed = base_seed() + 1000000;
  const std::size_t cases = case_count(kDefaultAppCases);
  for (std::size_t c = 0; c < cases; ++c) {
    const std::uint64_t seed = first_seed + c;
    RandomCases random(seed);
    const auto plans = random.versions(4, 8);
    AppHarness harness;
    harness.start();
    PassInput input;
    input.log = random.file(plans, 12);
    input.current = random.current_file(input.log, plans);
    input.srvseen = false;  // a new run of the program
    harness.write_exchange(core::kOrderLogFile, input.log);
    harness.write_exchange(core::kCurrentOrderFile, input.current);

    const std::size_t cycles = 1 + random.pick(3);
    for (std::size_t cycle = 0; cycle < cycles; ++cycle) {
      input.answer = random.answer(plans, 8);
      harness.web.answer("/GetTD.do", input.answer);
      harness.app->FetchTradeData();
      ASSERT_EQ(harness.app->last_cycle().kind, core::AnswerKind::Orders)
          << describe(seed, cycle, input);
      const PassOutput expected = run_reference_pass(input);
      ASSERT_EQ(printable(harness.exchange(core::kOrderLogFile)), printable(expected.log))
          << describe(seed, cycle, input);
      ASSERT_EQ(printable(harness.exchange(core::kCurrentOrderFile)), printable(expected.current))
          << describe(seed, cycle, input);
      input.log = expected.log;
      input.current = expected.current;
      input.srvseen = expected.srvseen;
    }
  }
}

}  // namespace
}  // namespace lumari::test
