// What the program reads from the service's login answer and from its own data
// files, on any bytes, through its windows in a temporary folder. The option
// byte's low two bits choose what the rest of the input is:
//   0  the login answer: a login through the window, and the selection window
//      closed when several systems came;
//   1  chklogin.dat: loaded into the login window, a login (bit 2: "remember"
//      ticked; bit 3: an account of two systems, whose selection is closed, or
//      left by Proceed with bit 4), then loaded back;
//   2  the MT4 location typed into the settings window: saved, and read back by
//      the next start of the program.
// The properties are those of the whole program, never a restatement of its
// parsers: what a login leaves behind, and that what is saved loads back.
#include "account/saved_login.h"
#include "fuzz_support.h"
#include "shell/data_folder.h"
#include "support/app_harness.h"
#include "text/line_file.h"

namespace {

using namespace lumari;
using core::WindowId;
using test::fuzz::require;

void log_in(test::AppHarness& h, const std::string& answer, const char* user) {
  h.web.answer("/LumariLoginCheckAction.do", answer);
  h.session().login.controls.txtUser = user;
  h.session().login.controls.txtPass = "secret";
  h.app->frmLogin_cmdLogin_Click();
}

void login_answer(const std::string& body) {
  test::AppHarness h;
  h.start();
  h.app->FrmMainMdi_mnuFlSi_Click();
  log_in(h, body, "  ann@example.com ");
  if (!h.ui.messages.empty()) {
    require(h.ui.messages.size() == 1 && h.ui.messages[0].text == "Login Error" &&
                h.ui.is_open(WindowId::Login) && !h.has_data(core::kSystemsFile),
            "a refused login says so, stays open and writes no systems", body);
    return;
  }
  const std::string systems = h.data(core::kSystemsFile);
  const bool follows = h.session().main.mytimer_enabled, offers = h.ui.is_open(WindowId::Selection);
  require(!h.ui.is_open(WindowId::Login) && (systems.empty() || systems.ends_with("\r\n")),
          "an accepted login closes the window and saves whole lines", body);
  require(!(follows && offers) && (follows || offers) == !systems.empty() &&
              (!offers || h.session().selection.controls.cmbsystem.size() >= 2),
          "one system is followed at once, several are offered", body);
  if (!offers) return;
  const std::string saved = h.data(core::kSavedLoginFile);
  const std::string chosen = h.session().selection.controls.cmbsystem_text;
  h.app->window_closed(WindowId::Selection);
  require(h.data(core::kSavedLoginFile) == saved + "2;0;" + chosen + h.session().chkmark + "\r\n",
          "closing the selection keeps the choice after the login record", body);
}

void saved_login(std::uint8_t flags, const std::string& file) {
  test::AppHarness h;
  h.start();
  h.write_data(core::kSavedLoginFile, file);
  h.app->FrmMainMdi_mnuFlSi_Click();
  core::Session& session = h.session();
  if ((flags & 4) != 0) session.login.controls.chklogin = 1;
  const bool remember = session.login.controls.chklogin != 0, two = (flags & 8) != 0;
  log_in(h, two ? "1234;12;Alpha;15;Beta Fund" : "1234;11;Alpha", " ann@example.com ");
  const std::string record = remember ? "1;1;ann@example.com\r\n" : "1;0; \r\n";
  require(h.data(core::kSavedLoginFile).ends_with(record), "the login record is saved last", file);
  if (two && (flags & 16) != 0) {
    h.web.answer("/LumariLoginSelectSystemAction.do", std::string("OK"));
    h.app->FrmSys_CmdProcced_Click();
    require(session.main.swlogin == 1, "Proceed follows the chosen system", file);
  } else if (two) {
    h.app->window_closed(WindowId::Selection);
  }
  // Loaded back, the window shows the first login record of what was saved.
  h.app->FrmMainMdi_mnuFlSi_Click();
  for (const auto& line : core::split_lines(h.data(core::kSavedLoginFile))) {
    if (!line.starts_with("1;")) continue;
    const std::string rest = line.substr(2);
    const std::size_t semicolon = rest.find(';');
    const std::string text = semicolon == std::string::npos ? rest : rest.substr(semicolon + 1);
    require(session.login.controls.txtUser == text &&
                session.login.controls.chklogin == core::check_value_of(rest.substr(0, semicolon)),
            "the saved login record loads back", file);
    return;
  }
  require(false, "a login record is always saved", file);
}

void settings_path(const std::string& typed) {
  test::AppHarness h;
  h.write_data(core::kInstallFile, "\r\n");
  h.app->FrmMainMdi_Form_Load();
  h.session().settings.mt4location = typed;
  const std::size_t messages = h.ui.messages.size();
  h.app->frmSettings_cmdSave_Click();
  if (h.ui.messages.size() > messages) {
    require(h.ui.messages.back().text ==
                    "The Application is invalid. Make sure you have chosen terminal.exe file" &&
                h.ui.is_open(WindowId::Settings) && !h.has_data(core::kSettingsFile),
            "a path that cannot be used is refused and changes nothing", typed);
    return;
  }
  // One line, the text before terminal.exe: a folder with a line break or a NUL
  // could not come back whole.
  const std::string folder = typed.substr(0, typed.find("terminal.exe"));
  require(typed.find("terminal.exe") != std::string::npos &&
              folder.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos &&
              h.data(core::kSettingsFile) == folder + "\r\n",
          "settings.dat holds the folder line", typed);
  test::FakeUi ui;
  core::App next(core::Ports{ui, h.clock, h.adapters, h.web.factory()},
                 core::AppConfig{h.data_folder, "http://service.test", {}});
  next.FrmMainMdi_Form_Load();
  require(ui.messages.empty() && next.session().main.pathname == folder,
          "the next start reads the saved folder", typed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto input = test::fuzz::take_input(data, size, 1);
  const std::string text(input.parts[0]);
  switch (input.flags & 3) {
    case 0: login_answer(text); break;
    case 1: saved_login(input.flags, text); break;
    default: settings_path(text); break;
  }
  return 0;
}
