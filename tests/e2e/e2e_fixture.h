// The end-to-end fixture: a fresh program folder holding the real program file,
// an MT4 folder, the program started against the demo service, and the steps a
// user takes (tray menu, windows, message boxes), each with its screenshot.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "message_box.h"
#include "program_process.h"
#include "service_logs.h"
#include "wait.h"

namespace lumari::test {

inline constexpr Millis kWindowWait{15'000};
inline constexpr Millis kMenuWait{10'000};
/// The program polls every six seconds; nothing shortens it.
inline constexpr Millis kPollInterval{6'000};
/// Long enough for a few polls.
inline constexpr Millis kPollsWait{kPollInterval * 5};
/// Longer than one polling interval: no poll in this time means polling stopped.
inline constexpr Millis kQuietWait{kPollInterval + Millis{2'000}};
/// The machine identity of the driver's requests "from another computer".
inline constexpr const char* kOtherComputer = "OTHER-COMPUTER";

/// Lets the running test save its failure picture (called by the driver's listener).
void report_failure_of_active_test();

class E2eTest : public ::testing::Test {
 public:
  /// Saves a picture of the screen and lists the program's windows; called for
  /// the first few failures of a test.
  void report_failure();

 protected:
  void SetUp() override;
  void TearDown() override;

  /// Writes the data files of a finished first run (settings and marker).
  void install();
  /// Makes the MT4 folder a current terminal's: no experts\files, and a data
  /// folder under the user's roaming application data whose origin.txt names it;
  /// the exchange files are then expected in its MQL4\Files.
  void use_terminal_data_folder();
  /// Starts the program from its folder and waits for its main window.
  void start_program();
  /// Checks that a start with both data files present shows no window.
  void expect_quiet_start();
  [[nodiscard]] DWORD pid() const { return program_ ? program_->id() : 0; }

  /// Saves a picture of the window into the output folder, named after `what`.
  void screenshot(HWND window, std::string_view what);
  void screenshot_screen(std::string_view what);

  /// Waits for the program's visible window of the class and caption and saves
  /// its picture; null (and a failure) when none came.
  [[nodiscard]] HWND expect_window(const char* class_name, const char* caption,
                                   std::string_view shot);
  /// Waits for the program's message box, saves its picture, checks its text,
  /// icon and single OK button, presses OK and waits until it has closed.
  void expect_message_box(std::string_view text, BoxIcon icon, std::string_view shot,
                          Millis limit = kWindowWait);
  /// Opens the tray menu (saving its picture) and chooses the item with the key.
  void choose_from_tray_menu(char access_key, std::string_view shot);
  /// Chooses Login in the logged-out menu; the login window.
  void open_login_window(HWND& login);
  /// Types the e-mail and password into the login window and clicks Login.
  void submit_login(HWND login, std::string_view email, std::string_view password);
  /// Logs in an account with one system from the tray menu: the login window
  /// closes and polling starts.
  void log_in_one_system();

  /// The program's order requests so far (those of "another computer" left out).
  [[nodiscard]] std::vector<OrderRequest> program_order_requests() const;
  /// Waits until the program has sent at least `count` order requests.
  [[nodiscard]] bool wait_for_program_polls(std::size_t count, Millis limit) const;
  /// Checks that the program sends no order request for longer than its interval.
  void expect_polling_stopped(std::string_view after);

  [[nodiscard]] std::string data_file(std::string_view name) const;
  [[nodiscard]] std::string exchange_file(std::string_view name) const;
  [[nodiscard]] static bool file_exists(const std::string& path);
  /// The file's bytes; empty when it cannot be read.
  [[nodiscard]] static std::string file_bytes(const std::string& path);

  /// The program's folder, holding LumariTerminal.exe: a fresh one, or the
  /// installed folder given to the driver.
  std::string program_dir_;
  std::string program_file_;       ///< the program file run by the test
  std::string data_dir_;           ///< program_dir_\data
  std::string mt4_dir_;            ///< the MT4 folder, with its trailing backslash
  std::string exchange_dir_;       ///< mt4_dir_ followed by experts\files
  std::string terminal_data_dir_;  ///< the data folder use_terminal_data_folder made
  std::unique_ptr<ProgramProcess> program_;
  HWND main_window_ = nullptr;

 private:
  [[nodiscard]] std::string shot_path(std::string_view what);

  int failures_reported_ = 0;
};

}  // namespace lumari::test
