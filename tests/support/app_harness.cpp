#include "support/app_harness.h"

#include "text/path_text.h"

namespace lumari::test {

AppHarness::AppHarness(core::WebClientFactory factory, const std::string& service_url) {
  data_folder = (root.path() / "program" / "data").string();
  mt4_folder = (root.path() / "mt4").string() + core::kPathSeparator;
  exchange_folder = (root.path() / "mt4" / "experts" / "files").string();
  std::filesystem::create_directories(data_folder);
  std::filesystem::create_directories(exchange_folder);
  web.answer_always("/GetTD.do", std::string("\r\nXXX"));
  app = std::make_unique<core::App>(
      core::Ports{ui, clock, adapters, factory ? std::move(factory) : web.factory()},
      core::AppConfig{data_folder, service_url, {}});
}

void AppHarness::log_in(std::string_view answer) {
  start();
  web.answer("/LumariLoginCheckAction.do", std::string(answer));
  app->FrmMainMdi_mnuFlSi_Click();
  session().login.controls.txtUser = "ann@example.com";
  session().login.controls.txtPass = "secret";
  app->frmLogin_cmdLogin_Click();
}

}  // namespace lumari::test
