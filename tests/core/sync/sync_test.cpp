// The order-line parser, the stamp reader and the reconciliation pass on the
// cases that pin their results, then the indexed pass and the fetch cycle
// against the reference model on random input. Every case holds for the core
// and for the reference model alike.
#include <gtest/gtest.h>

#include <cstdlib>

#include "cases/lines.h"
#include "cases/pass.h"
#include "cases/stamps.h"
#include "random_cases.h"
#include "reference_model.h"
#include "shell/data_folder.h"
#include "support/app_harness.h"
#include "support/case_file.h"
#include "support/civil_calendar.h"
#include "support/printable.h"
#include "sync/order_record.h"
#include "sync/stamp.h"

namespace lumari::test {
namespace {

TEST(Sync, OrderLinesReadAsTheTableSays) {
  for (const CaseRow& row : case_rows(kCases_lines)) {
    SCOPED_TRACE(printable(row[1]));
    const std::string& kind = row[0];
    const std::string& line = row[1];
    bool srvseen = kind == "later";
    const core::OrderRecord read =
        kind == "log" ? core::ParseLogLine(line) : core::ParseServerLine(line, srvseen);
    EXPECT_TRUE(kind == "log" || srvseen);
    const auto expect = [&](std::string_view canonical, std::string_view val1,
                            std::string_view val3, std::string_view val11, const char* who) {
      EXPECT_EQ(canonical, row[2]) << who;
      EXPECT_EQ(val1, row[3]) << who;
      EXPECT_EQ(val3, row[4]) << who;
      EXPECT_EQ(val11, row[5]) << who;
    };
    expect(core::canonical_line(read), read.val1, read.val3, read.val11, "core");
    EXPECT_EQ(core::order_key(read), row[4] + row[5]);
    EXPECT_EQ(core::version_key(read), row[4] + row[5] + row[3]);
    const auto model = reference::read_line(line, kind == "log" ? 0 : kind == "first" ? 2 : 1);
    expect(reference::canonical(model), model.val1, model.val3, model.val11, "reference model");
    if (kind == "log") {
      const core::OrderRecord order = core::ParseOrderLine(line);
      expect(core::canonical_line(order), order.val1, order.val3, order.val11,
             "current-order line");
      const core::LineKeys keys = core::log_line_keys(line);
      expect(row[2], keys.val1, keys.val3, keys.val11, "keys alone");
    }
  }
}

TEST(Sync, StampsReadAsTheTableSays) {
  for (const CaseRow& row : case_rows(kCases_stamps)) {
    SCOPED_TRACE('"' + printable(row[0]) + '"');
    const std::optional<core::Stamp> read = core::value_stamp(row[0]);
    const auto model = reference::stamp_of(row[0]);
    if (row[1] == "-") {
      EXPECT_FALSE(read.has_value());
      EXPECT_FALSE(model.has_value());
      continue;
    }
    std::array<int, 6> t{};
    std::istringstream(row[1]) >> t[0] >> t[1] >> t[2] >> t[3] >> t[4] >> t[5];
    const std::int64_t days = days_from_civil(t[0], t[1], t[2]) - days_from_civil(1, 1, 1);
    EXPECT_EQ(read, days * 86400 + t[3] * 3600 + t[4] * 60 + t[5]);
    EXPECT_EQ(model, t);
  }
}

struct PassCase {
  std::string name;
  PassInput input;
  std::vector<std::string> log, current;
  bool srvseen = true, again = false;
};

std::vector<PassCase> pass_cases() {
  std::vector<PassCase> cases;
  for (const CaseRow& row : case_rows(kCases_pass)) {
    const std::string& key = row[0];
    const std::string value = row.size() > 1 ? expand_versions(row[1]) : "";
    if (key == "case") {
      cases.push_back({value, {}, {}, {}});
      continue;
    }
    PassCase& c = cases.back();
    if (key == "first") c.input.srvseen = false;
    if (key == "answer") c.input.answer += "\n" + value + ";";
    if (key == "answerbytes") c.input.answer += value;
    if (key == "log") c.input.log += value + "\r\n";
    if (key == "current") c.input.current += value + "\r\n";
    if (key == "=log") c.log.push_back(value);
    if (key == "=current") c.current.push_back(value);
    if (key == "=srvseen") c.srvseen = value != "no";
    if (key == "again") c.again = true;
  }
  return cases;
}

TEST(Sync, PassWritesWhatTheTableSays) {
  for (const PassCase& c : pass_cases()) {
    SCOPED_TRACE(c.name);
    for (const PassFn pass : {&run_indexed_pass, &run_reference_pass}) {
      SCOPED_TRACE(pass == &run_indexed_pass ? "indexed pass" : "reference model");
      const PassOutput out = pass(c.input);
      EXPECT_EQ(printable(out.log), printable(crlf(c.log)));
      EXPECT_EQ(printable(out.current), printable(crlf(c.current)));
      EXPECT_EQ(out.srvseen, c.srvseen);
      if (!c.again) continue;
      const PassOutput again = pass(PassInput{c.input.answer, out.log, out.current, true});
      EXPECT_EQ(again.log, out.log);
      EXPECT_EQ(again.current, out.current);
    }
  }
}

std::size_t env_or(const char* name, std::size_t fallback) {
  const char* text = std::getenv(name);
  return text ? std::strtoull(text, nullptr, 10) : fallback;
}

std::string describe(std::uint64_t seed, const PassInput& input) {
  return "seed " + std::to_string(seed) + " (LUMARI_DIFF_SEED=" + std::to_string(seed) +
         " LUMARI_DIFF_CASES=1)\n  answer:  " + printable(input.answer) +
         "\n  log:     " + printable(input.log) + "\n  current: " + printable(input.current);
}

// Both run a few cycles on random files, each cycle starting from what the last
// one wrote; the fetch cycle reads and writes real files and keeps what it knows
// of them from one cycle to the next.
TEST(Sync, IndexedPassAndFetchCycleWriteWhatTheReferenceModelWrites) {
  const std::uint64_t first_seed = env_or("LUMARI_DIFF_SEED", 20261205);
  const std::size_t cases = env_or("LUMARI_DIFF_CASES", 3000);
  std::size_t new_versions = 0, replacements = 0;
  for (std::size_t c = 0; c < cases; ++c) {
    const std::uint64_t seed = first_seed + c;
    RandomCases random(seed);
    const bool large = c % 10 == 9, through_app = c % 20 == 3;
    const auto plans = large ? random.versions(12, 30) : random.versions(4, 8);
    PassInput input{"", random.file(plans, large ? 60 : 12), "", !random.chance(30)};
    input.current = random.current_file(input.log, plans);
    std::unique_ptr<AppHarness> app;
    if (through_app) {
      app = std::make_unique<AppHarness>();
      app->start();
      input.srvseen = false;  // a new run of the program
      app->write_exchange(core::kOrderLogFile, input.log);
      app->write_exchange(core::kCurrentOrderFile, input.current);
    }
    for (std::size_t cycle = 1 + random.pick(3); cycle > 0; --cycle) {
      input.answer = random.answer(plans, large ? 20 : 8);
      const PassOutput expected = run_reference_pass(input);
      PassOutput got;
      if (app) {
        app->web.answer("/GetTD.do", input.answer);
        app->app->FetchTradeData();
        got = {app->exchange(core::kOrderLogFile), app->exchange(core::kCurrentOrderFile),
               expected.srvseen};
      } else {
        got = run_indexed_pass(input);
      }
      ASSERT_EQ(printable(got.log), printable(expected.log)) << describe(seed, input);
      ASSERT_EQ(printable(got.current), printable(expected.current)) << describe(seed, input);
      ASSERT_EQ(got.srvseen, expected.srvseen) << describe(seed, input);
      new_versions += expected.log.size() > input.log.size();
      replacements += lines_of(expected.current) != lines_of(input.current);
      input = {"", expected.log, expected.current, expected.srvseen};
    }
  }
  // The generator must keep reaching the interesting paths.
  EXPECT_GT(new_versions, cases / 4);
  EXPECT_GT(replacements, cases / 4);
}

}  // namespace
}  // namespace lumari::test
