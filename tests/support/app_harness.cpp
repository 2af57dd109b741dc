#include "support/app_harness.h"

#include <filesystem>

#include "text/path_text.h"

namespace lumari::test {

namespace fs = std::filesystem;

AppHarness::AppHarness() : AppHarness({}, "http://service.test") {}

AppHarness::AppHarness(core::WebClientFactory factory, const std::string& service_url) {
  data_folder = (root.path() / "program" / "data").string();
  mt4_folder = (root.path() / "mt4").string() + core::kPathSeparator;
  exchange_folder = (root.path() / "mt4" / "experts" / "files").string();
  fs::create_directories(data_folder);
  fs::create_directories(exchange_folder);
  web.answer_always("/GetTD.do", std::string("\r\nXXX"));
  app = std::make_unique<core::App>(
      core::Ports{ui, clock, adapters, factory ? std::move(factory) : web.factory()},
      core::AppConfig{data_folder, service_url, {}});
}

void AppHarness::write_data(std::string_view name, std::string_view bytes) {
  write_bytes(fs::path(data_folder) / name, bytes);
}

std::string AppHarness::data(std::string_view name) const {
  return read_bytes(fs::path(data_folder) / name);
}

bool AppHarness::has_data(std::string_view name) const {
  return fs::exists(fs::path(data_folder) / name);
}

void AppHarness::write_exchange(std::string_view name, std::string_view bytes) {
  write_bytes(fs::path(exchange_folder) / name, bytes);
}

std::string AppHarness::exchange(std::string_view name) const {
  return read_bytes(fs::path(exchange_folder) / name);
}

bool AppHarness::has_exchange(std::string_view name) const {
  return fs::exists(fs::path(exchange_folder) / name);
}

void AppHarness::install() {
  write_data("settings.dat", mt4_folder + "\r\n");
  write_data("install.dat", "\r\n");
}

void AppHarness::start() {
  install();
  app->FrmMainMdi_Form_Load();
}

void AppHarness::log_in(std::string_view answer, std::string_view email,
                        std::string_view password) {
  start();
  web.answer("/LumariLoginCheckAction.do", std::string(answer));
  app->FrmMainMdi_mnuFlSi_Click();
  session().login.controls.txtUser = std::string(email);
  session().login.controls.txtPass = std::string(password);
  app->frmLogin_cmdLogin_Click();
}

}  // namespace lumari::test
