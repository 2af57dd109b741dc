// Every file operation of one complete fetch cycle made to fail in turn (alone,
// with every later one, with the next two, or with every later one on the same
// file), from a realistic state: what the cycle leaves must keep the exchange
// files' rules, and once the fault clears the files must hold what a fault-free
// run holds. Also faults in two cycles in a row, and in the last pass at Exit.
#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "cycle_run.h"
#include "fault_injector.h"
#include "model_files.h"
#include "order_lines.h"
#include "random_cases.h"
#include "scenario.h"
#include "sweep_checks.h"

namespace lumari::test {
namespace {

using core::FileOp;

const std::string kEmptyOrders;  // an orders answer without lines: the pass still runs

std::string recovery_name(const std::string& answer) {
  return answer.empty() ? "an empty orders answer" : "the same answer";
}

void report(std::string_view sweep, std::size_t operations, std::size_t cases,
            std::size_t identical) {
  std::cout << "[ sweep    ] " << sweep << ": " << operations << " file operations per cycle, "
            << cases << " cases, " << identical << " ending byte-for-byte as the fault-free run\n";
}

// Refuses operation n and every later operation of the same kind on the same
// file, as when another program holds that file open for the whole cycle.
struct HeldFile {
  std::size_t n;
  std::string describe() const {
    return "operation " + std::to_string(n) + " refused with every later one like it";
  }
  void arm(FaultInjector& faults) const {
    faults.arm([n = n, held = std::optional<std::pair<FileOp, std::string>>()](
                   std::size_t number, FileOp op, const std::string& path) mutable {
      if (number == n) held.emplace(op, path);
      return held && held->first == op && held->second == path;
    });
  }
};

// One case: the scenario's first answer with the planned fault, an idle cycle,
// then a clean cycle with the recovery answer. Returns whether the files ended
// byte-for-byte as in the fault-free run.
template <typename Plan>
bool run_one_fault(const Plan& plan, const std::string& recovery) {
  SCOPED_TRACE(plan.describe() + ", recovered by " + recovery_name(recovery));
  const Scenario& s = scenario();
  const FaultFreeRun expected = run_fault_free({s.first, std::string(kIdleAnswer), recovery});
  const std::set<std::string> allowed = model_log_lines({s.first});

  CycleRun run;
  const ExchangeBytes before = enter_scenario(run);
  EXPECT_EQ(before, expected.start);
  FaultInjector faults;
  if constexpr (std::is_same_v<Plan, FaultPlan>) {
    faults.arm(plan);
  } else {
    plan.arm(faults);
  }
  run.tick(s.first);
  faults.disarm();
  SCOPED_TRACE("operations: " + faults.describe_calls());

  const ExchangeBytes after = run.files();
  EXPECT_EQ(broken_rules(before, after, faults, allowed, run.h.exchange_folder), "");
  const ExchangeBytes& fault_free = expected.after[0];
  EXPECT_TRUE(after.current == before.current || after.current == fault_free.current);
  EXPECT_TRUE(after.log == before.log || after.log == fault_free.log);
  // A cycle reports success exactly when both files got their new content, and
  // keeps versions in memory exactly when the order log did not.
  EXPECT_EQ(run.last_cycle().saved, after == fault_free) << run.last_cycle().problem;
  EXPECT_EQ(run.unsaved().empty(), after.log == fault_free.log);
  EXPECT_TRUE(run.h.ui.timer_enabled);

  // An idle answer touches no file when the files are up to date; when versions
  // wait or the current-order file lags, it brings both to what the fault-free
  // cycle wrote.
  const bool behind = !run.unsaved().empty() || run.h.session().sync.current_orders_unsaved;
  faults.arm(FaultPlan::none());
  run.tick(std::string(kIdleAnswer));
  if (behind) {
    EXPECT_EQ(differences(run.files(), fault_free), "");
    EXPECT_TRUE(run.unsaved().empty());
    EXPECT_FALSE(run.h.session().sync.current_orders_unsaved);
  } else {
    EXPECT_TRUE(faults.calls().empty()) << faults.describe_calls();
    EXPECT_EQ(run.files(), after);
  }

  run.tick(recovery);
  const ExchangeBytes recovered = run.files();
  EXPECT_EQ(differences(recovered, expected.after.back()), "");
  EXPECT_TRUE(stray_files(run.h.exchange_folder, exchange_file_names()).empty());
  EXPECT_TRUE(run.unsaved().empty());
  EXPECT_TRUE(run.last_cycle().saved) << run.last_cycle().problem;
  EXPECT_EQ(run.h.session().counterLumarilog, expected.counter);
  return recovered == expected.after.back();
}

template <typename PlanOf>
void sweep_one_cycle(std::string_view name, PlanOf plan_of) {
  const std::size_t operations = run_fault_free({scenario().first}).operations_first;
  ASSERT_GT(operations, 0u);
  std::size_t cases = 0;
  std::size_t identical = 0;
  for (const std::string& recovery : {scenario().first, kEmptyOrders}) {
    for (std::size_t n = 1; n <= operations; ++n) {
      if (run_one_fault(plan_of(n), recovery)) ++identical;
      ++cases;
    }
  }
  report(name, operations, cases, identical);
}

TEST(FileFaultSweep, FaultFreeRunWritesWhatTheReferenceModelWrites) {
  const Scenario& s = scenario();
  const std::vector<std::string> answers{s.first, std::string(kIdleAnswer), s.second, kEmptyOrders};
  const FaultFreeRun run = run_fault_free(answers);
  ModelFiles model(s.files);
  model.cycle(s.warm_up);
  EXPECT_EQ(run.start, model.files());
  for (std::size_t i = 0; i < answers.size(); ++i) {
    model.cycle(answers[i]);
    EXPECT_EQ(printable(run.after[i].log), printable(model.files().log)) << "after answer " << i;
    EXPECT_EQ(printable(run.after[i].current), printable(model.files().current))
        << "after answer " << i;
  }
  // The scenario must give the faults something to lose.
  EXPECT_NE(run.after[0].log, run.start.log);
  EXPECT_NE(run.after[0].current, run.start.current);
  EXPECT_NE(run.after[2].log, run.after[0].log);
}

TEST(FileFaultSweep, CleanCycleReadsAndReplacesBothExchangeFiles) {
  CycleRun run;
  (void)enter_scenario(run);
  FaultInjector faults;
  faults.arm(FaultPlan::none());
  run.tick(scenario().first);
  const std::string calls = faults.describe_calls();
  std::cout << "[ sweep    ] a clean cycle: " << calls << "\n";
  for (const char* needed :
       {"Read Lumari.log", "Read ServerOrder.log", "Rename Lumari.log", "Rename ServerOrder.log"}) {
    EXPECT_NE(calls.find(needed), std::string::npos) << needed;
  }
}

TEST(FileFaultSweep, FailingAnyOneOperationLosesNoVersion) {
  sweep_one_cycle("one operation refused", [](std::size_t n) { return FaultPlan::only(n); });
}

TEST(FileFaultSweep, FailingEveryOperationFromAnyOneOnLosesNoVersion) {
  sweep_one_cycle("every operation from one on refused",
                  [](std::size_t n) { return FaultPlan::from(n); });
}

TEST(FileFaultSweep, FailingThreeOperationsInARowLosesNoVersion) {
  sweep_one_cycle("three operations in a row refused",
                  [](std::size_t n) { return FaultPlan::burst(n, 3); });
}

TEST(FileFaultSweep, FileHeldThroughTheWholeCycleLosesNoVersion) {
  sweep_one_cycle("one operation refused with every later one like it",
                  [](std::size_t n) { return HeldFile{n}; });
}

// Faults in two cycles in a row: the versions of the first wait in memory while
// the second fails too, and the clean cycle after them merges both.
TEST(FileFaultSweep, FaultsInTwoCyclesInARowLoseNoVersion) {
  const Scenario& s = scenario();
  const FaultFreeRun expected = run_fault_free({s.first, s.second, kEmptyOrders});
  const std::size_t first_operations = expected.operations_first;
  const std::size_t second_operations = run_fault_free({s.second}).operations_first;
  const std::set<std::string> allowed_first = model_log_lines({s.first});
  const std::set<std::string> allowed_second = model_log_lines({s.first, s.second});
  std::size_t cases = 0;
  std::size_t identical = 0;
  for (std::size_t n1 = 1; n1 <= first_operations; ++n1) {
    for (std::size_t n2 = 1; n2 <= second_operations; ++n2) {
      SCOPED_TRACE("operation " + std::to_string(n1) + " of the first cycle and " +
                   std::to_string(n2) + " of the second refused");
      CycleRun run;
      const ExchangeBytes start = enter_scenario(run);
      FaultInjector faults;
      faults.arm(FaultPlan::only(n1));
      run.tick(s.first);
      const ExchangeBytes after_first = run.files();
      EXPECT_EQ(broken_rules(start, after_first, faults, allowed_first, run.h.exchange_folder), "")
          << faults.describe_calls();

      faults.arm(FaultPlan::only(n2));
      run.tick(s.second);
      const ExchangeBytes after_second = run.files();
      EXPECT_EQ(
          broken_rules(after_first, after_second, faults, allowed_second, run.h.exchange_folder),
          "")
          << faults.describe_calls();
      EXPECT_TRUE(run.h.ui.timer_enabled);

      faults.disarm();
      run.tick(kEmptyOrders);
      const ExchangeBytes recovered = run.files();
      EXPECT_EQ(differences(recovered, expected.after.back()), "");
      EXPECT_TRUE(stray_files(run.h.exchange_folder, exchange_file_names()).empty());
      EXPECT_TRUE(run.unsaved().empty());
      EXPECT_EQ(run.h.session().counterLumarilog, expected.counter);
      if (recovered == expected.after.back()) ++identical;
      ++cases;
    }
  }
  report("one operation refused in each of two cycles", first_operations, cases, identical);
}

// Exit gives versions waiting in memory one last pass; whatever fails in it,
// the files stay whole and the program still ends with its run log line.
TEST(FileFaultSweep, FailingAnyOperationOfTheLastPassAtExitLeavesBothFilesWhole) {
  const Scenario& s = scenario();
  const std::set<std::string> allowed = model_log_lines({s.first});
  const FaultFreeRun expected = run_fault_free({s.first});
  // Reaches the moment of Exit: the first answer's versions wait in memory
  // because the order log could not be replaced.
  const auto waiting_run = [&s](CycleRun& run, FaultInjector& faults) {
    (void)enter_scenario(run);
    faults.arm([](std::size_t, FileOp op, const std::string& path) {
      return op == FileOp::Write && path.ends_with("Lumari.log.tmp");
    });
    run.tick(s.first);
    faults.disarm();
  };
  std::size_t operations = 0;
  {
    CycleRun run;
    FaultInjector faults;
    waiting_run(run, faults);
    ASSERT_FALSE(run.unsaved().empty());
    faults.arm(FaultPlan::none());
    run.h.app->FrmMainMdi_mnulvex_Click();
    operations = faults.calls().size();
    EXPECT_EQ(differences(run.files(), expected.after[0]), "");
  }
  std::size_t cases = 0;
  for (const bool every_later : {false, true}) {
    for (std::size_t n = 1; n <= operations; ++n) {
      const FaultPlan plan = every_later ? FaultPlan::from(n) : FaultPlan::only(n);
      SCOPED_TRACE(plan.describe());
      CycleRun run;
      FaultInjector faults;
      waiting_run(run, faults);
      const ExchangeBytes before = run.files();
      faults.arm(plan);
      run.h.app->FrmMainMdi_mnulvex_Click();
      EXPECT_EQ(broken_rules(before, run.files(), faults, allowed, run.h.exchange_folder), "")
          << faults.describe_calls();
      EXPECT_TRUE(run.h.ui.ended);
      EXPECT_FALSE(run.h.ui.tray_icon);
      ++cases;
    }
  }
  std::cout << "[ sweep    ] Exit with versions waiting: " << operations << " file operations, "
            << cases << " cases\n";
}

}  // namespace
}  // namespace lumari::test
