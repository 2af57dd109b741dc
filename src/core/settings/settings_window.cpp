// The settings window frmSettings: where the MT4 terminal lives, and the end of
// the first-run step.
#include "settings/mt4_location.h"
#include "shell/app.h"
#include "shell/data_folder.h"
#include "text/file_io.h"
#include "text/line_file.h"

namespace lumari::core {

void App::frmSettings_Form_Load() {
  session_.settings.cdb_FileName.clear();
  session_.settings.mt4location = session_.main.pathname + std::string(kTerminalProgram);
}

void App::frmSettings_cmdBrowse_Click() {
  if (auto chosen = ports_.ui.open_file_dialog()) session_.settings.cdb_FileName = *chosen;
  session_.settings.mt4location = session_.settings.cdb_FileName;
  ports_.ui.refresh_window(WindowId::Settings);
}

void App::frmSettings_cmdSave_Click() {
  MainWindowState& main = session_.main;
  main.pathname = session_.settings.mt4location;
  const auto folder = mt4_folder_of(main.pathname);
  // The settings file keeps one line: a folder with a line break or a NUL in it
  // would come back cut short at the next start.
  const bool storable =
      folder && folder->find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
  if (!storable) {
    message("The Application is invalid. Make sure you have chosen terminal.exe file",
            MessageIcon::Critical);
    return;
  }
  main.pathname = *folder;
  if (const Status saved = write_lines(data_file(kSettingsFile), {main.pathname}); !saved) {
    message("The MT4 folder could not be saved.\r\n" + saved.error().message,
            MessageIcon::Critical);
    return;
  }
  main.pathname1 = exchange_folder_of(main.pathname);
  locate_exchange_folder();
  unload_window(WindowId::Settings);
}

void App::frmSettings_cmdCancel_Click() { unload_window(WindowId::Settings); }

void App::frmSettings_Form_Unload() {
  const std::string marker = data_file(kInstallFile);
  session_.installCheck = file_exists(marker) ? std::string(kInstallFile) : "";
  if (!session_.installCheck.empty()) return;
  (void)replace_file(marker, "\r\n");
  show_window(WindowId::Login);
}

}  // namespace lumari::core
