// Fakes of the core's ports: they do what a test tells them and record what the
// core asked of them, in order.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ports/adapter_source.h"
#include "ports/clock.h"
#include "ports/ui.h"
#include "ports/web_client.h"

namespace lumari::test {

struct ShownMessage {
  std::string text;
  std::string caption;
  core::MessageIcon icon;
};

class FakeUi final : public core::Ui {
 public:
  void show_window(core::WindowId window) override;
  void close_window(core::WindowId window) override;
  void refresh_window(core::WindowId window) override;
  void message_box(std::string_view text, std::string_view caption,
                   core::MessageIcon icon) override;
  void notify(std::string_view text, core::NoticeKind kind) override;
  std::optional<core::MenuItem> popup_menu(core::MenuId menu) override;
  std::optional<std::string> open_file_dialog() override;
  void set_timer_interval(int milliseconds) override;
  void set_timer_enabled(bool enabled) override;
  void minimize_main_window() override;
  void hide_main_window() override;
  void add_tray_icon() override;
  void remove_tray_icon() override;
  void end_program() override;

  /// Every call in order, e.g. "show Login", "message Critical Login Error", "timer on",
  /// "notice Problem No answer ...".
  std::vector<std::string> calls;
  std::vector<ShownMessage> messages;
  /// The notices, as "Problem <text>" or "ProblemOver <text>".
  std::vector<std::string> notices;
  std::vector<core::MenuId> menus_shown;
  bool timer_enabled = false;
  int timer_interval = 0;
  bool tray_icon = false;
  bool ended = false;
  /// Windows currently shown.
  std::vector<core::WindowId> open_windows;

  /// What the next pop-up menus return (nothing when empty).
  std::deque<std::optional<core::MenuItem>> menu_choices;
  /// What the next file dialogs return (nothing = cancelled when empty).
  std::deque<std::optional<std::string>> dialog_results;
  /// Runs inside each message box, while it is "open".
  std::function<void(const ShownMessage&)> while_message_open;

  [[nodiscard]] bool is_open(core::WindowId window) const;
  [[nodiscard]] int count_calls(std::string_view call) const;
};

[[nodiscard]] const char* window_name(core::WindowId window);

class FakeClock final : public core::Clock {
 public:
  core::DateTime current{2026, 12, 5, 14, 3, 7};
  core::DateTime now() override { return current; }
  /// m/d/yyyy
  std::string short_date_text(const core::DateTime& when) override;
  /// hh:mm:ss
  std::string time_text(const core::DateTime& when) override;
};

class FakeAdapters final : public core::AdapterSource {
 public:
  core::AdapterList list;
  int calls = 0;
  core::AdapterList list_adapters() override {
    ++calls;
    return list;
  }
};

/// Answers for web requests, shared by every client the factory makes. Each
/// request takes the first queued answer whose path matches (the text between
/// the host and "?"); without one it fails with "no answer scripted".
class WebScript {
 public:
  void answer(const std::string& path, core::Result<std::string> reply);
  void answer_always(const std::string& path, core::Result<std::string> reply);

  [[nodiscard]] core::Result<std::string> take(const std::string& url);
  [[nodiscard]] core::WebClientFactory factory();

  std::vector<std::string> requested;  ///< every URL asked for, in order
  int clients_made = 0;

 private:
  std::map<std::string, std::deque<core::Result<std::string>>> queued_;
  std::map<std::string, core::Result<std::string>> always_;
};

/// The path part of a URL: "/GetTD.do" of "http://h:1/GetTD.do?x=1".
[[nodiscard]] std::string url_path(const std::string& url);
/// The value of a query key, still percent-encoded; empty when absent.
[[nodiscard]] std::string query_value(const std::string& url, const std::string& key);

}  // namespace lumari::test
