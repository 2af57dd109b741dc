#include "cycle_run.h"

#include <filesystem>

#include "shell/data_folder.h"

namespace lumari::test {

const std::set<std::string>& exchange_file_names() {
  static const std::set<std::string> names{std::string(core::kOrderLogFile),
                                           std::string(core::kCurrentOrderFile),
                                           std::string(core::kSystemOrderFile)};
  return names;
}

CycleRun::CycleRun() { h.log_in("1234;11;Alpha"); }

void CycleRun::tick(core::Result<std::string> answer) {
  h.web.answer("/GetTD.do", std::move(answer));
  h.app->FrmMainMdi_mytimer_Timer();
}

void CycleRun::write_files(const ExchangeBytes& files) {
  h.write_exchange(core::kOrderLogFile, files.log);
  h.write_exchange(core::kCurrentOrderFile, files.current);
}

}  // namespace lumari::test
