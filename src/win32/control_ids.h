// Window class names, control ids and menu commands of LumariTerminal.exe: the
// contract between the program and anything that drives it by window messages
// (the end-to-end test driver included).
#pragma once

namespace lumari::win32 {

// Window classes (one window of each exists at most).
inline constexpr const char* kMainWindowClass = "FrmMainMdi";
inline constexpr const char* kLoginWindowClass = "frmLogin";
inline constexpr const char* kSelectionWindowClass = "FrmSys";
inline constexpr const char* kSettingsWindowClass = "frmSettings";

// Captions, with their leading blank.
inline constexpr const char* kLoginCaption = " Lumari Login";
inline constexpr const char* kSelectionCaption = " Trade System Selection";
inline constexpr const char* kSettingsCaption = " MT4 Folder Location";
/// The application's title: the main window's caption and every message box's.
inline constexpr const char* kAppTitle = "Lumari Terminal";

// frmLogin
inline constexpr int kIdLabel1 = 101;     ///< "Email"
inline constexpr int kIdLabel2 = 102;     ///< "Password"
inline constexpr int kIdTxtUser = 103;    ///< e-mail box
inline constexpr int kIdTxtPass = 104;    ///< password box
inline constexpr int kIdCmdLogin = 105;   ///< "Login"
inline constexpr int kIdCmdCancel = 106;  ///< "Cancel"
inline constexpr int kIdDtPickerDate = 107;
inline constexpr int kIdDtPickerTime = 108;
inline constexpr int kIdChkLogin = 109;  ///< remember the e-mail address

// FrmSys
inline constexpr int kIdLblSys = 201;      ///< "System"
inline constexpr int kIdCmbSystem = 202;   ///< drop-down list of the account's systems
inline constexpr int kIdChkSys = 203;      ///< remember this system
inline constexpr int kIdCmdProcced = 204;  ///< "Proceed"

// frmSettings
inline constexpr int kIdSettingsLabel1 = 301;  ///< "MT4 Location ?"
inline constexpr int kIdMt4Location = 302;     ///< path of terminal.exe
inline constexpr int kIdCmdBrowse = 303;       ///< "Browse"
inline constexpr int kIdCmdSave = 304;         ///< "Save"
inline constexpr int kIdSettingsCancel = 305;  ///< "Cancel"
inline constexpr int kIdSettingsLabel2 = 306;  ///< the example path

// Tray menus mnufile and Mnulive (access keys: L, S, E in both).
inline constexpr int kCmdMnuFlSi = 401;   ///< "&Login "
inline constexpr int kCmdMnuflset = 402;  ///< "&Setting"
inline constexpr int kCmdMnuflex = 403;   ///< "&Exit"
inline constexpr int kCmdMnulvSo = 411;   ///< "&Logout"
inline constexpr int kCmdMnulvset = 412;  ///< "&Setting"
inline constexpr int kCmdMnulvex = 413;   ///< "&Exit"

/// The polling timer mytimer on the main window.
inline constexpr unsigned kMyTimerId = 1;
/// The tray icon's identifier.
inline constexpr unsigned kTrayIconId = 1;

/// A registered window message that asks the main window to leave as Exit in
/// the tray menu does; the installer and uninstaller send it to a running program
/// before they replace or remove its file.
inline constexpr const char* kExitRequestMessage = "LumariTerminal.Exit";

}  // namespace lumari::win32
