// An App on fake ports over real folders: a program folder with its data folder
// and an MT4 folder with its exchange folder, all in a temporary folder.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "shell/app.h"
#include "support/fake_ports.h"
#include "support/temp_folder.h"

namespace lumari::test {

class AppHarness {
 public:
  /// On a web client of the factory (the scripted one when empty) against the
  /// service at `service_url`.
  explicit AppHarness(core::WebClientFactory factory = {},
                      const std::string& service_url = "http://service.test");
  /// Checks what every case must leave behind (see expect_consistent).
  ~AppHarness();
  AppHarness(const AppHarness&) = delete;
  AppHarness& operator=(const AppHarness&) = delete;

  TempFolder root;
  FakeUi ui;
  FakeClock clock;
  FakeAdapters adapters;
  WebScript web;
  std::string data_folder;      ///< <root>/program/data
  std::string mt4_folder;       ///< <root>/mt4/ with its trailing separator
  std::string exchange_folder;  ///< <root>/mt4/experts/files
  std::unique_ptr<core::App> app;

  [[nodiscard]] core::Session& session() { return app->session(); }
  void write_data(std::string_view name, std::string_view bytes) {
    write_bytes(std::filesystem::path(data_folder) / name, bytes);
  }
  [[nodiscard]] std::string data(std::string_view name) const {
    return read_bytes(std::filesystem::path(data_folder) / name);
  }
  [[nodiscard]] bool has_data(std::string_view name) const {
    return std::filesystem::exists(std::filesystem::path(data_folder) / name);
  }
  void write_exchange(std::string_view name, std::string_view bytes) {
    write_bytes(std::filesystem::path(exchange_folder) / name, bytes);
  }
  [[nodiscard]] std::string exchange(std::string_view name) const {
    return read_bytes(std::filesystem::path(exchange_folder) / name);
  }
  [[nodiscard]] bool has_exchange(std::string_view name) const {
    return std::filesystem::exists(std::filesystem::path(exchange_folder) / name);
  }

  /// A finished installation: MT4 folder saved and the first-run marker present.
  void install() {
    write_data("settings.dat", mt4_folder + "\r\n");
    write_data("install.dat", "\r\n");
  }
  /// install() and the main window's load.
  void start() { install(), app->FrmMainMdi_Form_Load(); }
  /// start(), then a login through the tray menu with the given answer.
  void log_in(std::string_view answer);
  /// The tray menu's Login item, the boxes typed in and Login clicked, while the
  /// service gives `answer` to the login request.
  void attempt_login(core::Result<std::string> answer, std::string_view email = "ann@example.com",
                     std::string_view password = "secret");
  /// A right click on the tray icon that chooses the item, or dismisses the menu.
  void menu(std::optional<core::MenuItem> item);
  /// One tick of the polling timer (nothing while it is off) with the service
  /// giving `answer` to the order request.
  void tick(core::Result<std::string> answer = std::string("\r\nXXX"));

  /// What holds after any step of any case: the timer, the tray icon, the open
  /// windows and the end of the program are as the session says. Checked again
  /// when the harness goes.
  void expect_consistent() const;
};

}  // namespace lumari::test
