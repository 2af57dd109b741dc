// An App on fake ports over real folders: a program folder with its data folder
// and an MT4 folder with its exchange folder, all in a temporary folder.
#pragma once

#include <filesystem>
#include <memory>
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
};

}  // namespace lumari::test
