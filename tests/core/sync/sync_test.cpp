// The order-line parser, the stamp reader and the reconciliation pass on the
// rows that pin their results, then the indexed pass and the fetch cycle
// against the reference model on random input. Every row holds for the core
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

// A row of a case file as a test name: letters and digits of its first fields,
// then its number.
std::string case_name(const ::testing::TestParamInfo<CaseRow>& row, std::size_t fields) {
  std::string name;
  for (std::size_t i = 0; i < fields && i < row.param.size(); ++i) name += row.param[i] + "_";
  for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name.substr(0, 60) + (name.size() > 60 ? "_" : "") + std::to_string(row.index);
}

class OrderLine : public ::testing::TestWithParam<CaseRow> {};

TEST_P(OrderLine, ReadsAsTheRowSays) {
  const CaseRow& row = GetParam();
  const std::string &kind = row[0], &line = row[1];
  bool srvseen = kind == "later";
  const core::OrderRecord read =
      kind == "log" ? core::ParseLogLine(line) : core::ParseServerLine(line, srvseen);
  EXPECT_TRUE(kind == "log" || srvseen);
  const auto expect = [&](std::string_view canonical, std::string_view val1, std::string_view val3,
                          std::string_view val11, const char* who) {
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
  if (kind != "log") return;
  const core::OrderRecord order = core::ParseOrderLine(line);
  expect(core::canonical_line(order), order.val1, order.val3, order.val11, "current-order line");
  const core::LineKeys keys = core::log_line_keys(line);
  expect(row[2], keys.val1, keys.val3, keys.val11, "keys alone");
}

INSTANTIATE_TEST_SUITE_P(Lines, OrderLine, ::testing::ValuesIn(case_rows(kCases_lines)),
                         [](const auto& row) { return case_name(row, 2); });

class Stamp : public ::testing::TestWithParam<CaseRow> {};

TEST_P(Stamp, ReadsAsTheRowSays) {
  const CaseRow& row = GetParam();
  const std::optional<core::Stamp> read = core::value_stamp(row[0]);
  const auto model = reference::stamp_of(row[0]);
  if (row[1] == "-") {
    EXPECT_FALSE(read.has_value());
    EXPECT_FALSE(model.has_value());
    return;
  }
  std::array<int, 6> t{};
  std::istringstream(row[1]) >> t[0] >> t[1] >> t[2] >> t[3] >> t[4] >> t[5];
  const std::int64_t days = days_from_civil(t[0], t[1], t[2]) - days_from_civil(1, 1, 1);
  EXPECT_EQ(read, days * 86400 + t[3] * 3600 + t[4] * 60 + t[5]);
  EXPECT_EQ(model, t);
}

INSTANTIATE_TEST_SUITE_P(Stamps, Stamp, ::testing::ValuesIn(case_rows(kCases_stamps)),
                         [](const auto& row) { return case_name(row, 1); });

class Pass : public ::testing::TestWithParam<CaseRow> {};

TEST_P(Pass, WritesWhatTheRowSays) {
  const CaseRow& row = GetParam();
  const auto field = [&](std::size_t i) { return i < row.size() ? expand_versions(row[i]) : ""; };
  const auto flag = [&](const char* name) { return field(6).find(name) != std::string::npos; };
  PassInput input{"", crlf(unlisted(field(2))), crlf(unlisted(field(3))), !flag("first")};
  for (const auto& line : unlisted(field(1))) input.answer += "\n" + line + ";";
  if (flag("raw")) input.answer = field(1);
  for (const PassFn pass : {&run_indexed_pass, &run_reference_pass}) {
    SCOPED_TRACE(pass == &run_indexed_pass ? "indexed pass" : "reference model");
    const PassOutput out = pass(input);
    EXPECT_EQ(printable(out.log), printable(crlf(unlisted(field(4)))));
    EXPECT_EQ(printable(out.current), printable(crlf(unlisted(field(5)))));
    EXPECT_EQ(out.srvseen, !flag("unseen"));
    if (!flag("again")) continue;
    const PassOutput again = pass(PassInput{input.answer, out.log, out.current, true});
    EXPECT_EQ(again.log, out.log);
    EXPECT_EQ(again.current, out.current);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Pass, ::testing::ValuesIn(case_rows(kCases_pass)),
                         [](const auto& row) { return case_name(row, 1); });

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
// of them from one cycle to the next, while the MT4 side edits them in between.
TEST(Sync, IndexedPassAndFetchCycleWriteWhatTheReferenceModelWrites) {
  const std::uint64_t first_seed = env_or("LUMARI_DIFF_SEED", 20261205);
  const std::size_t cases = env_or("LUMARI_DIFF_CASES", 3000);
  std::size_t new_versions = 0, replacements = 0;
  for (std::size_t c = 0; c < cases; ++c) {
    const std::uint64_t seed = first_seed + c;
    RandomCases random(seed);
    const bool large = c % 10 == 9, through_app = c % 20 == 3 || c % 20 == 9;
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
      if (app && random.chance(50)) {
        const bool log = random.chance(50);
        std::string& bytes = log ? input.log : input.current;
        bytes = random.edited(bytes, plans);
        app->write_exchange(log ? core::kOrderLogFile : core::kCurrentOrderFile, bytes);
      }
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
