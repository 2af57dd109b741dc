#include "scenario.h"

#include <map>
#include <vector>

#include "order_lines.h"
#include "pass_runner.h"
#include "shell/data_folder.h"

namespace lumari::test {

namespace {

constexpr core::DateTime kStart{2026, 12, 7, 9, 0, 0};

std::string version(int ticket, int minute, std::string_view price,
                    std::string_view state = "open") {
  return order_line(ticket, add_seconds(kStart, minute * 60LL), price, state);
}

Scenario make_scenario(std::size_t history) {
  Scenario s;
  std::vector<std::string> log;
  std::vector<std::string> current;
  for (std::size_t i = 0; i < history; ++i) {
    log.push_back(version(100, static_cast<int>(i) - static_cast<int>(history),
                          "1.0" + std::to_string(1000 + i)));
  }
  if (history > 0) current.push_back(log.back());
  for (auto line : {version(101, 0, "1.1050"), version(102, 1, "1.2010"), version(101, 2, "1.1060"),
                    version(103, 3, "0.9050")}) {
    log.push_back(line);
  }
  for (auto line :
       {version(102, 1, "1.2010"), version(101, 2, "1.1060"), version(103, 3, "0.9050")}) {
    current.push_back(line);
  }
  s.files.log = crlf(log);
  s.files.current = crlf(current);
  s.system_orders = "1001,EURUSD,buy,0.10\r\n1002,USDJPY,sell,0.20\r\n";
  s.warm_up = orders_answer(
      {version(101, 2, "1.1060"), version(102, 1, "1.2010"), version(103, 3, "0.9050")});
  s.first = orders_answer({version(101, 2, "1.1060"), version(102, 1, "1.2010"),
                           version(102, 4, "1.2030"), version(104, 5, "1.3000"), "",
                           version(103, 6, "0.9070", "closed"), version(104, 5, "1.3000")});
  s.second = orders_answer({version(104, 5, "1.3000"), version(101, 7, "1.1090"),
                            version(105, 8, "1.4000"), version(102, 4, "1.2030")});
  return s;
}

}  // namespace

const Scenario& scenario(std::size_t history) {
  static std::map<std::size_t, Scenario> made;
  auto it = made.find(history);
  if (it == made.end()) it = made.emplace(history, make_scenario(history)).first;
  return it->second;
}

ExchangeBytes enter_scenario(CycleRun& run, const Scenario& s) {
  run.write_files(s.files);
  run.h.write_exchange(core::kSystemOrderFile, s.system_orders);
  run.tick(s.warm_up);
  return run.files();
}

}  // namespace lumari::test
