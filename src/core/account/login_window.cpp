// The login window frmLogin: one request with the e-mail address and password,
// the account's trade systems from the answer, then following the only system
// or choosing one of several.
#include <limits>

#include "account/login_answer.h"
#include "shell/app.h"
#include "shell/data_folder.h"
#include "text/line_file.h"
#include "text/trim.h"
#include "text/url_encode.h"

namespace lumari::core {

namespace {

constexpr std::int16_t kEnterKey = 13;

std::int32_t date_number(const DateTime& when) {
  return when.year * 10000 + when.month * 100 + when.day;
}

}  // namespace

void App::frmLogin_cmdLogin_Click() {
  LoginWindowState& login = session_.login;
  login.Usercode = " ";
  login.cntsys = 0;
  login.username = " ";
  login.controls.txtUser = trimmed(login.controls.txtUser);
  session_.loginEmail = login.controls.txtUser;
  session_.loginPassword = login.controls.txtPass;
  ports_.ui.refresh_window(WindowId::Login);

  if (!login.web) login.web = ports_.web_clients();
  const std::string url = session_.main.host + "/LumariLoginCheckAction.do?email=" +
                          percent_encode(session_.loginEmail) +
                          "&password=" + percent_encode(session_.loginPassword);
  auto answer = login.web->get(url);
  if (!answer) {
    // No text at all is not the service's refusal: say what went wrong instead.
    message("Login Error\r\nThe service could not be reached (" + answer.error().message + ").",
            MessageIcon::Critical);
    return;
  }
  login.Usercode = std::move(answer).value();

  login.username = user_id_of(login.Usercode);
  if (login.username == "0") {
    message("Login Error", MessageIcon::Critical);
    session_.main.swlogin = 0;
    return;
  }
  login.Usercode.erase(0, login.Usercode.find(';') + 1);
  // Selection records of this account end with this marker.
  session_.chkmark = login.username.substr(login.username.size() - 1);

  const std::vector<SystemEntry> systems = take_login_systems(login.Usercode);
  std::vector<std::string> lines;
  lines.reserve(systems.size());
  for (const auto& system : systems) lines.push_back(system.id + ";" + system.name);
  if (const Status written = write_lines(data_file(kSystemsFile), lines); !written) {
    message(
        "Login Error\r\nThe trade systems could not be saved (" + written.error().message + ").",
        MessageIcon::Critical);
    return;
  }
  constexpr std::size_t kMaxCount = std::numeric_limits<std::int16_t>::max();
  login.cntsys = static_cast<std::int16_t>(std::min(systems.size(), kMaxCount));

  // The login's date and time are taken before the fetcher window loads, so the
  // date file records the date of this login.
  const DateTime now = ports_.clock.now();
  login.controls.DTPickerDate = now;
  session_.loginDate = date_number(login.controls.DTPickerDate);
  login.controls.DTPickerTime = now;
  session_.loginTime = now;

  if (systems.size() == 1) {
    session_.main.ceklist.clear();
    session_.systemid = systems.front().id;
    load_fetcher_window();
    StartFetch();
    session_.main.swlogin = 1;
  } else if (systems.size() >= 2) {
    show_window(WindowId::Selection);
  }

  SaveLoginRecord();
  unload_window(WindowId::Login);
}

bool App::frmLogin_txtPass_KeyDown(std::int16_t key_code, std::int16_t /*shift*/) {
  if (key_code != kEnterKey) return false;
  frmLogin_cmdLogin_Click();
  return true;
}

void App::frmLogin_cmdCancel_Click() { unload_window(WindowId::Login); }

}  // namespace lumari::core
