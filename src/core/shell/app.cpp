// The main window's load and unload, and the showing and unloading of windows.
#include "shell/app.h"

#include <utility>

#include "shell/data_folder.h"
#include "shell/machine_identity.h"
#include "text/file_io.h"
#include "text/lenient_number.h"
#include "text/line_file.h"
#include "text/path_text.h"

namespace lumari::core {

App::App(Ports ports, AppConfig config) : ports_(std::move(ports)), config_(std::move(config)) {}

std::string App::data_file(std::string_view name) const {
  return join_path(config_.data_folder, name);
}

std::string App::exchange_file(std::string_view name) const {
  return join_path(session_.main.exchange_folder, name);
}

void App::message(std::string_view text, MessageIcon icon) {
  ports_.ui.message_box(text, kAppTitle, icon);
}

void App::FrmMainMdi_Form_Load() {
  MainWindowState& main = session_.main;
  main.loaded = true;
  // A data folder lost since installation is recreated, so that settings can be
  // saved and a login kept; if that fails each file operation reports on its own.
  (void)ensure_directory(config_.data_folder);

  ports_.ui.minimize_main_window();
  ports_.ui.add_tray_icon();
  ports_.ui.hide_main_window();
  LoadSettings();
  main.host = config_.service_url;
  main.TimerInterval = "6000";
  main.mytimer_interval = static_cast<int>(round_half_even(lenient_number(main.TimerInterval)));
  ports_.ui.set_timer_interval(main.mytimer_interval);

  session_.installCheck = file_exists(data_file(kInstallFile)) ? std::string(kInstallFile) : "";
  if (session_.installCheck.empty()) show_window(WindowId::Settings);

  main.TxtGetMacAdr = GetMachineIdentity(ports_.adapters, session_.loginid);
}

void App::LoadSettings() {
  const auto lines = read_lines(data_file(kSettingsFile));
  if (!lines || lines->empty()) {
    message("Please locate your MT4 now", MessageIcon::Information);
    show_window(WindowId::Settings);
    return;
  }
  session_.main.pathname = lines->front();
  session_.main.pathname1 = exchange_folder_of(session_.main.pathname);
  locate_exchange_folder();
}

void App::locate_exchange_folder() {
  MainWindowState& main = session_.main;
  const bool in_prefix = config_.terminals_in_wine_prefix && config_.terminals.roots.empty();
  main.exchange_folder =
      resolve_exchange_folder(main.pathname, main.pathname1,
                              in_prefix ? wine_prefix_terminals(main.pathname) : config_.terminals);
}

void App::FrmMainMdi_Form_Unload() {
  session_.main.loaded = false;
  ports_.ui.remove_tray_icon();
}

void App::show_window(WindowId window) {
  switch (window) {
    case WindowId::Login: session_.login.open = true; break;
    case WindowId::Selection:
      if (!session_.selection.open) {
        session_.selection.open = true;
        FrmSys_Form_Load();
      }
      break;
    case WindowId::Settings:
      if (!session_.settings.open) {
        session_.settings.open = true;
        frmSettings_Form_Load();
      }
      break;
  }
  ports_.ui.show_window(window);
}

void App::unload_window(WindowId window) {
  switch (window) {
    case WindowId::Login:
      if (!session_.login.open) return;
      session_.login.open = false;
      session_.login.controls = LoginControls{};
      break;
    case WindowId::Selection:
      if (!session_.selection.open) return;
      FrmSys_Form_Unload();
      session_.selection.open = false;
      session_.selection.controls = SelectionControls{};
      break;
    case WindowId::Settings:
      if (!session_.settings.open) return;
      frmSettings_Form_Unload();
      session_.settings.open = false;
      session_.settings.mt4location.clear();
      session_.settings.cdb_FileName.clear();
      break;
  }
  ports_.ui.close_window(window);
}

void App::window_closed(WindowId window) { unload_window(window); }

}  // namespace lumari::core
