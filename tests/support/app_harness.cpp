#include "support/app_harness.h"

#include "text/path_text.h"

// The fuzzers link no test framework: there an inconsistency is a crash to find.
#ifdef LUMARI_FUZZING
#include <cstdio>
#include <cstdlib>
#define EXPECT_HOLDS(ok, what) \
  if (!(ok)) std::fprintf(stderr, "inconsistent: %s\n", what), std::abort()
#else
#include <gtest/gtest.h>
#define EXPECT_HOLDS(ok, what) EXPECT_TRUE(ok) << what
#endif

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

AppHarness::~AppHarness() { expect_consistent(); }

void AppHarness::log_in(std::string_view answer) {
  start();
  attempt_login(std::string(answer));
}

void AppHarness::attempt_login(core::Result<std::string> answer, std::string_view email,
                               std::string_view password) {
  web.answer("/LumariLoginCheckAction.do", std::move(answer));
  menu(core::MenuItem::mnuFlSi);
  session().login.controls.txtUser = email;
  session().login.controls.txtPass = password;
  app->frmLogin_cmdLogin_Click();
  expect_consistent();
}

void AppHarness::menu(std::optional<core::MenuItem> item) {
  ui.menu_choices.push_back(item);
  app->FrmMainMdi_Form_MouseMove(516);  // WM_RBUTTONDOWN
  expect_consistent();
}

void AppHarness::tick(core::Result<std::string> answer) {
  web.answer("/GetTD.do", std::move(answer));
  if (ui.timer_enabled) app->FrmMainMdi_mytimer_Timer();
  expect_consistent();
}

void AppHarness::expect_consistent() const {
  const core::Session& s = app->session();
  EXPECT_HOLDS(ui.ended == app->ended(), "the program ends exactly when the App says so");
  if (app->ended()) return;
  EXPECT_HOLDS(ui.timer_enabled == s.main.mytimer_enabled, "the timer runs as the session says");
  EXPECT_HOLDS(ui.tray_icon == s.main.loaded, "the tray icon is there while the main window is");
  EXPECT_HOLDS(ui.is_open(core::WindowId::Login) == s.login.open, "login window");
  EXPECT_HOLDS(ui.is_open(core::WindowId::Selection) == s.selection.open, "selection window");
  EXPECT_HOLDS(ui.is_open(core::WindowId::Settings) == s.settings.open, "settings window");
}

}  // namespace lumari::test
