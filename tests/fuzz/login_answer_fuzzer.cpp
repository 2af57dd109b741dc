// The service's answer to a login, on any bytes: the user id and the trade systems
// as the program reads them, checked against the steps of the login done plainly,
// then a whole login through the window with that answer and, when several
// systems came, the selection window's load and unload.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "account/login_answer.h"
#include "fuzz_support.h"
#include "shell/data_folder.h"
#include "support/app_harness.h"
#include "text/lenient_number.h"
#include "text/line_file.h"

namespace {

using namespace lumari;
using core::SystemEntry;
using test::fuzz::require;

const std::string kLoginPath = "/LumariLoginCheckAction.do";

// The systems loop of the login, one literal step at a time on a copy.
std::vector<SystemEntry> systems_step_by_step(std::string usercode, std::string& left) {
  std::vector<SystemEntry> systems;
  while (usercode.find(';') != std::string::npos) {
    SystemEntry entry;
    std::size_t p = usercode.find(';');
    entry.id = usercode.substr(0, p);
    usercode = usercode.substr(p + 1);
    p = usercode.find(';');
    if (p != std::string::npos) {
      entry.name = usercode.substr(0, p);
      usercode = usercode.substr(p + 1);
    } else {
      entry.name = usercode;
    }
    systems.push_back(entry);
  }
  left = usercode;
  return systems;
}

void check_parsers(std::string_view body) {
  const std::string id = core::user_id_of(body);
  require(!id.empty(), "a user id is never empty", body);
  if (body.find(';') == std::string_view::npos) {
    require(id == "0", "an answer without a separator is refused", body);
  }
  // The id's text is its own shortest form: read again it gives itself.
  require(core::user_id_of(id + ";") == id, "a user id reads back as itself", body);
  if (id != "0") {
    require(core::lenient_number(id) != 0.0, "an accepted user id is not 0", body);
  }

  const std::size_t semicolon = body.find(';');
  if (semicolon == std::string_view::npos) return;
  std::string rest(body.substr(semicolon + 1));
  std::string left;
  const auto expected = systems_step_by_step(rest, left);
  const auto systems = core::take_login_systems(rest);
  require(systems.size() == expected.size(), "as many systems as the login's loop finds", body);
  for (std::size_t i = 0; i < systems.size(); ++i) {
    require(systems[i].id == expected[i].id && systems[i].name == expected[i].name,
            "each system as the login's loop takes it", body);
    require(systems[i].id.find(';') == std::string::npos, "an id holds no separator", body);
    require(systems[i].name.find(';') == std::string::npos, "a name holds no separator", body);
  }
  require(rest == left, "what is left of the answer", body);
}

std::string system_lines(const std::vector<SystemEntry>& systems) {
  std::string text;
  for (const auto& system : systems) text += system.id + ";" + system.name + "\r\n";
  return text;
}

void check_login(std::string_view body) {
  test::AppHarness h;
  h.start();
  h.web.answer(kLoginPath, std::string(body));
  h.app->FrmMainMdi_mnuFlSi_Click();
  core::Session& session = h.session();
  session.login.controls.txtUser = "  ann@example.com ";
  session.login.controls.txtPass = " secret ";
  h.app->frmLogin_cmdLogin_Click();

  require(session.loginEmail == "ann@example.com" && session.loginPassword == " secret ",
          "the login keeps the trimmed address and the password as typed", body);
  const std::string id = core::user_id_of(body);
  require(session.login.username == id, "username is the answer's user id", body);
  if (id == "0") {
    require(!h.ui.messages.empty() && h.ui.messages.back().text == "Login Error",
            "a refused login says Login Error", body);
    require(h.ui.is_open(core::WindowId::Login) && session.main.swlogin == 0,
            "a refused login keeps the window open", body);
    require(!h.has_data(core::kSystemsFile), "a refused login writes no systems", body);
    return;
  }

  std::string rest(body.substr(body.find(';') + 1));
  const auto systems = core::take_login_systems(rest);
  require(h.ui.messages.empty(), "an accepted login shows no message", body);
  require(!h.ui.is_open(core::WindowId::Login), "an accepted login closes the window", body);
  require(h.data(core::kSystemsFile) == system_lines(systems),
          "systemp.dat holds the answer's systems", body);
  constexpr std::size_t kMaxCount = std::numeric_limits<std::int16_t>::max();
  require(static_cast<std::size_t>(session.login.cntsys) == std::min(systems.size(), kMaxCount),
          "cntsys counts the systems", body);
  require(session.chkmark == id.substr(id.size() - 1), "the account marker ends the user id", body);
  require(session.loginDate == 20261205, "the login date is the clock's", body);

  if (systems.size() == 1) {
    require(session.systemid == systems.front().id && session.main.swlogin == 1 &&
                session.main.mytimer_enabled && session.fetcher.loaded,
            "one system is followed at once", body);
    require(!h.ui.is_open(core::WindowId::Selection), "one system needs no choice", body);
    return;
  }
  require(session.systemid.empty() && session.main.swlogin == 0 && !session.main.mytimer_enabled,
          "no system is followed before a choice", body);
  if (systems.empty()) {
    require(!h.ui.is_open(core::WindowId::Selection), "no system, no choice", body);
    return;
  }

  // Several systems: the selection window lists the lines of systemp.dat. A
  // name that ends in a line break leaves an empty line, which names no system.
  require(h.ui.is_open(core::WindowId::Selection), "several systems open the selection", body);
  std::vector<std::string> entries;
  for (const auto& line : core::split_lines(h.data(core::kSystemsFile))) {
    if (line.empty()) continue;
    const std::size_t p = line.find(';');
    entries.push_back(p == std::string::npos ? line + " "
                                             : line.substr(0, p) + " " + line.substr(p + 1));
  }
  const auto& controls = session.selection.controls;
  require(controls.cmbsystem == entries, "one entry per non-empty line of systemp.dat", body);
  require(controls.cmbsystem_text == entries.front() && controls.chksys == 0,
          "the first entry is chosen", body);

  const std::string saved_before = h.data(core::kSavedLoginFile);
  require(saved_before == "1;0; \r\n", "the login record without the address", body);
  const std::string chosen = controls.cmbsystem_text;
  h.app->window_closed(core::WindowId::Selection);
  require(
      h.data(core::kSavedLoginFile) == saved_before + "2;0;" + chosen + session.chkmark + "\r\n",
      "closing the selection keeps the choice after the login record", body);
  require(session.main.ceklist.empty() && session.main.swlogin == 0,
          "closing the selection follows nothing", body);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view body = test::fuzz::as_text(data, size);
  check_parsers(body);
  check_login(body);
  return 0;
}
