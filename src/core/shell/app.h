// The application controller: owns the session and implements every event
// procedure of the program's windows and menus. A front end copies control
// values into the session, calls the event method, then refreshes its controls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ports/adapter_source.h"
#include "ports/clock.h"
#include "ports/ui.h"
#include "ports/web_client.h"
#include "settings/exchange_folder.h"
#include "shell/problem_notices.h"
#include "shell/session.h"
#include "sync/reconcile.h"

namespace lumari::core {

/// The application's title: the caption of every message box.
inline constexpr std::string_view kAppTitle = "Lumari Terminal";

struct Ports {
  Ui& ui;
  Clock& clock;
  AdapterSource& adapters;
  WebClientFactory web_clients;
};

struct AppConfig {
  std::string data_folder;      ///< the program folder's data folder
  std::string service_url;      ///< service base URL, no trailing slash
  TerminalDataRoots terminals;  ///< where current terminals keep their data folders
  /// Without roots of its own, look in the Wine prefix that holds the MT4 folder
  /// in use, wherever that folder came from (the settings window or settings.dat).
  bool terminals_in_wine_prefix = false;
};

/// How the last fetch cycle ended, for status displays.
enum class AnswerKind { None, Orders, Idle, ForcedLogout, ErrorPage, NoAnswer };

struct CycleReport {
  AnswerKind kind = AnswerKind::None;
  std::size_t new_versions = 0;    ///< versions added to the order log
  std::size_t log_lines = 0;       ///< lines in the order log after the cycle
  std::size_t current_orders = 0;  ///< lines in the current-order file after the cycle
  bool saved = true;               ///< false when an exchange file could not be read or written
  std::string problem;             ///< why, when not saved or when no answer came
};

class App {
 public:
  App(Ports ports, AppConfig config);
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  [[nodiscard]] Session& session() { return session_; }
  [[nodiscard]] const Session& session() const { return session_; }
  [[nodiscard]] const AppConfig& config() const { return config_; }
  [[nodiscard]] const CycleReport& last_cycle() const { return last_cycle_; }
  [[nodiscard]] bool ended() const { return ended_; }
  [[nodiscard]] std::string data_file(std::string_view name) const;
  [[nodiscard]] std::string exchange_file(std::string_view name) const;

  // Main window FrmMainMdi: start-up, tray icon, menus, polling.
  void FrmMainMdi_Form_Load();
  void FrmMainMdi_Form_Unload();
  /// The tray icon's callback: the mouse message arrives as the X coordinate.
  void FrmMainMdi_Form_MouseMove(int x);
  void FrmMainMdi_mnuFlSi_Click();   ///< Login
  void FrmMainMdi_mnuflset_Click();  ///< Setting, logged out
  void FrmMainMdi_mnuflex_Click();   ///< Exit, logged out
  void FrmMainMdi_mnulvSo_Click();   ///< Logout
  void FrmMainMdi_mnulvset_Click();  ///< Setting, logged in
  void FrmMainMdi_mnulvex_Click();   ///< Exit, logged in
  void FrmMainMdi_mytimer_Timer();
  void StartFetch();
  /// Runs the action of a menu item.
  void menu_item_clicked(MenuItem item);
  /// The user closed a window by its close box: its unload runs.
  void window_closed(WindowId window);

  // Login window frmLogin.
  void frmLogin_cmdLogin_Click();
  /// Enter (13) logs in whatever the shift state; returns whether the key was used.
  bool frmLogin_txtPass_KeyDown(std::int16_t key_code, std::int16_t shift);
  void frmLogin_cmdCancel_Click();
  void LoadSavedLogin();
  void SaveLoginRecord();

  // Trade system selection window FrmSys.
  void FrmSys_CmdProcced_Click();

  // Settings window frmSettings.
  void frmSettings_cmdBrowse_Click();
  void frmSettings_cmdSave_Click();
  void frmSettings_cmdCancel_Click();

  // Fetch cycle and exchange files.
  void FetchTradeData();

 private:
  void LoadSettings();
  /// Finds the exchange folder again from the MT4 folder.
  void locate_exchange_folder();
  void WriteRunLog();
  void show_window(WindowId window);
  void unload_window(WindowId window);
  void message(std::string_view text, MessageIcon icon);
  void exit_program();

  /// ParseSavedRecord into the session's recKind, recFlag and recText.
  bool split_saved_record(std::string_view record);
  void FrmSys_Form_Load();
  void FrmSys_Form_Unload();
  void frmSettings_Form_Load();
  void frmSettings_Form_Unload();
  void load_fetcher_window();
  void frmFetcher_Form_Load();
  void LoadOrderLists();
  void catch_up_exchange_files();
  void SaveOrderFiles(const SyncResult& synced);

  Ports ports_;
  AppConfig config_;
  Session session_;
  CycleReport last_cycle_;
  bool tick_running_ = false;
  bool ended_ = false;

  /// True while versions or a current-order file wait in memory for the exchange
  /// files: the catch-up write retries them, and the notices tell of it.
  [[nodiscard]] bool exchange_files_lag() const;
  // Problems of the ticks told to the user.
  void tell_problems(bool files_lagged_before);
  ProblemNotices notices_;

  /// Writes ceklist to the saved-login file, unless that would replace records
  /// that could not be read.
  void write_saved_logins();
};

}  // namespace lumari::core
