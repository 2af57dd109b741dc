// The tray icon's callback and the actions of the two pop-up menus.
#include "shell/app.h"
#include "sync/line_list.h"

namespace lumari::core {

namespace {
constexpr int kRightButtonDown = 516;  // WM_RBUTTONDOWN
}

void App::FrmMainMdi_Form_MouseMove(int x) {
  if (x != kRightButtonDown) return;
  std::optional<MenuItem> chosen;
  if (session_.main.swlogin == 1) {
    chosen = ports_.ui.popup_menu(MenuId::Live);
  } else {
    session_.main.swlogin = 0;
    chosen = ports_.ui.popup_menu(MenuId::File);
  }
  if (chosen) menu_item_clicked(*chosen);
}

void App::menu_item_clicked(MenuItem item) {
  switch (item) {
    case MenuItem::mnuFlSi: FrmMainMdi_mnuFlSi_Click(); break;
    case MenuItem::mnuflset: FrmMainMdi_mnuflset_Click(); break;
    case MenuItem::mnuflex: FrmMainMdi_mnuflex_Click(); break;
    case MenuItem::mnulvSo: FrmMainMdi_mnulvSo_Click(); break;
    case MenuItem::mnulvset: FrmMainMdi_mnulvset_Click(); break;
    case MenuItem::mnulvex: FrmMainMdi_mnulvex_Click(); break;
  }
}

void App::FrmMainMdi_mnuFlSi_Click() {
  session_.login.controls.txtUser = " ";
  LoadSavedLogin();
  show_window(WindowId::Login);
}

void App::FrmMainMdi_mnuflset_Click() {
  show_window(WindowId::Settings);
  LoadSavedLogin();
}

void App::FrmMainMdi_mnulvset_Click() { show_window(WindowId::Settings); }

void App::FrmMainMdi_mnulvSo_Click() {
  session_.main.mytimer_enabled = false;
  ports_.ui.set_timer_enabled(false);
  session_.main.swlogin = 0;
}

void App::FrmMainMdi_mnuflex_Click() { exit_program(); }

void App::FrmMainMdi_mnulvex_Click() { exit_program(); }

void App::exit_program() {
  session_.main.mytimer_enabled = false;
  ports_.ui.set_timer_enabled(false);
  if (session_.fetcher.loaded) {
    // Versions whose order log could not be written get one last chance.
    if (!session_.sync.unsaved_log_lines.empty()) {
      session_.tddata.clear();
      LoadOrderLists();
    }
    session_.fetcher.loaded = false;
    session_.fetcher.sysord.clear();
  }
  FrmMainMdi_Form_Unload();
  WriteRunLog();
  ended_ = true;
  ports_.ui.end_program();
}

}  // namespace lumari::core
