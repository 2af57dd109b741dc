// Everything the program keeps for a run, grouped by owner: the windows' public
// members and the models of their controls, and the session values shared by all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/clock.h"
#include "ports/web_client.h"
#include "sync/line_list.h"
#include "sync/pass_cache.h"

namespace lumari::core {

/// FrmMainMdi: minimised and hidden for the whole run; owns the tray icon, the
/// polling timer and the saved-login list.
struct MainWindowState {
  std::string TimerInterval;           ///< polling interval in milliseconds, as text
  std::string pathname;                ///< MT4 folder: the path before "terminal.exe"
  std::string pathname1;               ///< MT4 exchange folder: pathname then experts, files
  std::string exchange_folder;  ///< where the exchange files really are, found from pathname
  std::string host;                    ///< service base URL
  int swlogin = 0;                     ///< 1 while logged in and following a system
  std::vector<std::string> ceklist;    ///< in-memory copy of the saved-login records
  std::string TxtGetMacAdr = "Text1";  ///< receives the machine identity text
  bool mytimer_enabled = false;
  int mytimer_interval = 0;
  bool loaded = false;

  /// The saved-login file exists but its last load could not read it: its
  /// records are not in ceklist, so it is not written until a load reads it.
  bool ceklist_unread = false;
};

/// The controls of frmLogin; they return to these values whenever it unloads.
struct LoginControls {
  std::string txtUser;
  std::string txtPass;
  int chklogin = 0;  ///< 1 = remember the e-mail address
  DateTime DTPickerDate;
  DateTime DTPickerTime;
};

/// frmLogin: its public members outlive the window.
struct LoginWindowState {
  bool open = false;
  LoginControls controls;
  std::int16_t cntsys = 0;         ///< trade systems in the last accepted answer
  std::string Usercode;            ///< the last login answer, consumed while parsed
  std::string username;            ///< the user id; " " before parsing, "0" after a refusal
  std::unique_ptr<WebClient> web;  ///< created at the first login attempt
};

/// The controls of FrmSys; cleared whenever it unloads.
struct SelectionControls {
  std::vector<std::string> cmbsystem;  ///< entries "id name" in file order
  std::string cmbsystem_text;          ///< the chosen entry
  int chksys = 0;                      ///< 1 = remember this system
};

/// FrmSys, the trade system selection window.
struct SelectionWindowState {
  bool open = false;
  SelectionControls controls;
  std::unique_ptr<WebClient> web;  ///< created at the first Proceed
};

/// frmSettings, the MT4 location window.
struct SettingsWindowState {
  bool open = false;
  std::string mt4location;   ///< the path of terminal.exe
  std::string cdb_FileName;  ///< the file dialog's current file name while the window is open
};

/// frmFetcher: never shown; its lists hold the exchange files during a cycle.
struct FetcherWindowState {
  bool loaded = false;
  LineList listData;   ///< server lines of the current answer
  LineList lumarilog;  ///< lines of the order log
  LineList ServerOrd;  ///< lines of the current-order file
  LineList sysord;     ///< lines of the system order file, not interpreted
};

/// What the reconciliation keeps between cycles.
struct SyncState {
  bool srvseen = false;  ///< set by the first server line parsed in the run
  /// Order-log lines of passes whose order log could not be written; merged
  /// into the log by the next pass so that no version is lost.
  std::vector<std::string> unsaved_log_lines;
  /// True while the current-order file lags behind because it could not be written.
  bool current_orders_unsaved = false;
  /// True while the current-order file still holds what it held before the
  /// fetcher window's first load, because emptying it failed.
  bool current_orders_unemptied = false;
  /// Bytes of unsaved lines kept at most; past it the oldest are dropped.
  std::size_t unsaved_limit_bytes = 64u << 20;
  /// What the last complete pass wrote, for the next cycle.
  PassCache pass_cache;
};

struct Session {
  MainWindowState main;
  LoginWindowState login;
  SelectionWindowState selection;
  SettingsWindowState settings;
  FetcherWindowState fetcher;
  SyncState sync;

  std::string loginEmail;               ///< e-mail address of the last login attempt
  std::string loginPassword;            ///< password of the last login attempt
  std::int32_t loginDate = 0;           ///< date of the last accepted login as yyyymmdd
  std::optional<DateTime> loginTime;    ///< time of the last accepted login
  std::string systemid;                 ///< id of the trade system being followed
  std::string loginid;                  ///< machine identity
  std::int16_t swlogout = 0;            ///< 1 after a cycle in which the service forced a logout
  std::string tddata;                   ///< body of the last order answer
  std::unique_ptr<WebClient> fetchweb;  ///< the fetch cycle's client, created on first use
  std::string spsysid;                  ///< id split off a systemp.dat line
  std::string spsysname;                ///< name split off a systemp.dat line
  std::string chkmark;                  ///< one-character account marker of selection records
  std::string recKind;                  ///< fields of the saved-login record split last
  std::string recFlag;
  std::string recText;
  std::string installCheck;         ///< "install.dat" when the first-run marker exists, else empty
  std::optional<DateTime> endTime;  ///< time written as the end of the run log line
  std::int64_t counterLumarilog = 0;  ///< order-log lines added during this run
};

}  // namespace lumari::core
