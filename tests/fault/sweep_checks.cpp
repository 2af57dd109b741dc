#include "sweep_checks.h"

#include "cycle_run.h"
#include "model_files.h"
#include "scenario.h"

namespace lumari::test {

namespace {

std::string stands_whole(std::string_view name, const std::string& before, const std::string& after,
                         const FaultInjector& faults) {
  if (after == before) return {};
  const auto put = faults.renamed_bytes().find(std::string(name));
  if (put != faults.renamed_bytes().end() && put->second == after) return {};
  return "\n  " + std::string(name) + " is neither its old content nor what was put in place";
}

}  // namespace

FaultFreeRun run_fault_free(const std::vector<std::string>& answers, const Scenario& from) {
  FaultFreeRun run;
  CycleRun cycles;
  run.start = enter_scenario(cycles, from);
  for (std::size_t i = 0; i < answers.size(); ++i) {
    FaultInjector count;
    count.arm(FaultPlan::none());
    cycles.tick(answers[i]);
    if (i == 0) run.operations_first = count.calls().size();
    run.after.push_back(cycles.files());
  }
  run.counter = cycles.h.session().counterLumarilog;
  return run;
}

std::set<std::string> model_log_lines(const std::vector<std::string>& answers,
                                      const Scenario& from) {
  ModelFiles model(from.files);
  model.cycle(from.warm_up);
  for (const auto& answer : answers) model.cycle(answer);
  return line_set(model.files().log);
}

std::string broken_rules(const ExchangeBytes& before, const ExchangeBytes& after,
                         const FaultInjector& faults,
                         const std::set<std::string>& allowed_log_lines,
                         const std::string& folder) {
  std::string text = order_log_breaks(before.log, after.log, allowed_log_lines);
  text += stands_whole("Lumari.log", before.log, after.log, faults);
  text += stands_whole("ServerOrder.log", before.current, after.current, faults);
  for (const auto& name : stray_files(folder, exchange_file_names())) {
    if (!faults.refused(core::FileOp::Remove, name)) text += "\n  left behind: " + name;
  }
  return text;
}

std::string differences(const ExchangeBytes& actual, const ExchangeBytes& expected) {
  std::string text;
  if (auto log = order_log_differences(actual.log, expected.log); !log.empty()) {
    text += "\n Lumari.log:" + log;
  }
  if (auto current = current_file_differences(actual.current, expected.current); !current.empty()) {
    text += "\n ServerOrder.log:" + current;
  }
  return text;
}

}  // namespace lumari::test
