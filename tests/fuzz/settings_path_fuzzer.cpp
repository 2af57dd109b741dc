// The MT4 location typed into the settings window, on any bytes: the folder taken
// from it, the save into settings.dat in a temporary folder, and the folder read
// back by the next start of the program.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "settings/mt4_location.h"
#include "shell/data_folder.h"
#include "support/app_harness.h"
#include "text/line_file.h"
#include "text/path_text.h"

namespace {

using namespace lumari;
using test::fuzz::require;

constexpr std::string_view kRejected =
    "The Application is invalid. Make sure you have chosen terminal.exe file";

void check_folder_helpers(std::string_view path) {
  const auto folder = core::mt4_folder_of(path);
  const std::size_t at = path.find("terminal.exe");
  require(folder.has_value() == (at != std::string_view::npos),
          "a path is taken only when it names terminal.exe", path);
  if (!folder) return;
  require(*folder == path.substr(0, at), "the folder is the text before terminal.exe", path);
  require(folder->find("terminal.exe") == std::string::npos,
          "the folder stops at the first terminal.exe", path);
  const std::string exchange = core::exchange_folder_of(*folder);
  require(exchange == *folder + "experts" + core::kPathSeparator + "files",
          "the exchange folder follows the folder directly", path);
}

void check_save_and_start(std::string_view typed) {
  test::AppHarness h;
  h.write_data(core::kInstallFile, "\r\n");
  h.app->FrmMainMdi_Form_Load();
  require(h.ui.is_open(core::WindowId::Settings), "without settings the window opens", typed);

  core::Session& session = h.session();
  session.settings.mt4location = std::string(typed);
  const std::size_t messages = h.ui.messages.size();
  h.app->frmSettings_cmdSave_Click();

  const auto folder = core::mt4_folder_of(typed);
  // The settings file holds one line, so a folder with a line break or a NUL
  // could not come back whole: such a path is refused like one without the file.
  const bool storable =
      folder && folder->find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
  if (!storable) {
    require(h.ui.messages.size() == messages + 1 && h.ui.messages.back().text == kRejected,
            "a path without terminal.exe, or one that cannot be stored, is refused", typed);
    require(h.ui.is_open(core::WindowId::Settings), "a refused save keeps the window open", typed);
    require(!h.has_data(core::kSettingsFile) && session.main.pathname1.empty(),
            "a refused save changes no setting", typed);
    require(session.main.pathname == typed, "the refused text stays in pathname", typed);
    return;
  }
  require(h.ui.messages.size() == messages, "a save says nothing", typed);
  require(!h.ui.is_open(core::WindowId::Settings), "a save closes the window", typed);
  require(h.data(core::kSettingsFile) == *folder + "\r\n", "settings.dat holds the folder line",
          typed);
  require(session.main.pathname == *folder &&
              session.main.pathname1 == core::exchange_folder_of(*folder),
          "the folders of the session", typed);

  // The next start reads the first line of the file.
  test::FakeUi ui;
  core::App next(core::Ports{ui, h.clock, h.adapters, h.web.factory()},
                 core::AppConfig{h.data_folder, "http://service.test", {}});
  next.FrmMainMdi_Form_Load();
  const std::string read_back = core::split_lines(*folder + "\r\n").front();
  require(read_back == *folder, "a saved folder reads back whole", typed);
  require(ui.messages.empty(), "a saved folder needs no locating", typed);
  require(next.session().main.pathname == read_back &&
              next.session().main.pathname1 == core::exchange_folder_of(read_back),
          "the next start reads the saved folder", typed);
  next.FrmMainMdi_mnulvset_Click();
  require(next.session().settings.mt4location == read_back + "terminal.exe",
          "the window shows the saved folder and terminal.exe", typed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view typed = test::fuzz::as_text(data, size);
  check_folder_helpers(typed);
  check_save_and_start(typed);
  return 0;
}
