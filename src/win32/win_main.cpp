// LumariTerminal.exe: the tray program. Start-up builds the Windows ports and
// the App, loads the main window and runs the message loop.
#include <windows.h>
// clang-format off
#include <commctrl.h>
#include <shlobj.h>
// clang-format on

#include <io.h>

#include <clocale>
#include <cstdio>
#include <memory>
#include <string>

#include "shell/app.h"
#include "shell/data_folder.h"
#include "shell/service_url.h"
#include "text/file_io.h"
#include "win32/control_ids.h"
#include "win32/single_instance.h"
#include "win32/win32_ui.h"
#include "win32/windows_adapter_source.h"
#include "win32/windows_clock.h"
#include "win32/winhttp_web_client.h"

namespace lumari::win32 {
namespace {

// Current terminals keep a data folder each under the user's roaming
// application data; an origin.txt in each names the installation.
core::TerminalDataRoots terminal_data_roots() {
  core::TerminalDataRoots terminals;
  char folder[MAX_PATH] = {};
  if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) {
    terminals.roots.push_back(std::string(folder) + "\\MetaQuotes\\Terminal");
  }
  terminals.from_utf16 = [](std::u16string_view text) {
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int units = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(CP_ACP, 0, wide, units, out.data(), size, nullptr, nullptr);
    return out;
  };
  return terminals;
}

// The folder of the program file, without a trailing separator.
std::string program_folder() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return ".";
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const auto separator = path.find_last_of("\\/");
  return separator == std::string::npos ? std::string(".") : path.substr(0, separator);
}

int run_message_loop(Win32Ui& ui) {
  MSG message{};
  BOOL got = FALSE;
  while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0) {
    if (got == -1) return 1;
    if (ui.keyboard_message(message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

int run_program(HINSTANCE instance) {
  // The C++ file library converts 8-bit paths with the ANSI code page only
  // under the user's locale.
  std::setlocale(LC_CTYPE, "");
  // Replaced exchange files reach the disk before they are renamed into place.
  lumari::core::set_file_sync([](std::FILE* file) { return _commit(_fileno(file)) == 0; });

  const InstanceClaim claim = claim_instance();
  if (!claim.first) {
    remind_running_instance();
    return 0;
  }

  INITCOMMONCONTROLSEX common_controls{};
  common_controls.dwSize = sizeof common_controls;
  common_controls.dwICC = ICC_DATE_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES;  // tooltips
  InitCommonControlsEx(&common_controls);

  const auto clock = make_windows_clock();
  const auto adapters = make_windows_adapter_source();
  Win32Ui ui(instance);
  core::App app(core::Ports{ui, *clock, *adapters, [] { return make_winhttp_web_client(); }},
                core::AppConfig{core::data_folder_of(program_folder()), core::service_base_url(),
                                terminal_data_roots()});
  ui.attach(app);
  if (!ui.create_main_window()) {
    MessageBoxA(nullptr, "The main window could not be created.", kAppTitle, MB_OK | MB_ICONSTOP);
    return 1;
  }

  ui.dispatch(std::nullopt, [](core::App& started) { started.FrmMainMdi_Form_Load(); });
  if (app.ended()) return 0;
  ui.show_main_window_minimised();
  return run_message_loop(ui);
}

}  // namespace
}  // namespace lumari::win32

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/,
                   int /*show*/) {
  try {
    return lumari::win32::run_program(instance);
  } catch (...) {
    // Nothing leaves the program as an exception.
    return 1;
  }
}
