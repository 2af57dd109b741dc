// Fakes of the core's ports: they do what a test tells them and record what the
// core asked of them, in order.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
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
  void show_window(core::WindowId w) override {
    log("show ", w);
    if (!is_open(w)) open_windows.push_back(w);
  }
  void close_window(core::WindowId w) override {
    log("close ", w);
    std::erase(open_windows, w);
  }
  void refresh_window(core::WindowId w) override { log("refresh ", w); }
  void message_box(std::string_view text, std::string_view caption,
                   core::MessageIcon icon) override {
    const bool critical = icon == core::MessageIcon::Critical;
    calls.push_back(std::string("message ") + (critical ? "Critical " : "Information ") +
                    std::string(text));
    messages.push_back({std::string(text), std::string(caption), icon});
    if (while_message_open) while_message_open(ShownMessage(messages.back()));
  }
  void notify(std::string_view text, core::NoticeKind kind) override {
    notices.push_back((kind == core::NoticeKind::Problem ? "Problem " : "ProblemOver ") +
                      std::string(text));
    calls.push_back("notice " + notices.back());
  }
  std::optional<core::MenuItem> popup_menu(core::MenuId menu) override {
    calls.push_back(menu == core::MenuId::File ? "menu file" : "menu Live");
    return next(menu_choices);
  }
  std::optional<std::string> open_file_dialog() override {
    calls.push_back("file dialog");
    return next(dialog_results);
  }
  void set_timer_interval(int ms) override {
    calls.push_back("timer interval " + std::to_string(timer_interval = ms));
  }
  void set_timer_enabled(bool on) override {
    calls.push_back((timer_enabled = on) ? "timer on" : "timer off");
  }
  void minimize_main_window() override { calls.push_back("minimize main"); }
  void hide_main_window() override { calls.push_back("hide main"); }
  void add_tray_icon() override { calls.push_back("add tray icon"), tray_icon = true; }
  void remove_tray_icon() override { calls.push_back("remove tray icon"), tray_icon = false; }
  void end_program() override { calls.push_back("end program"), ended = true; }

  [[nodiscard]] bool is_open(core::WindowId w) const {
    return std::find(open_windows.begin(), open_windows.end(), w) != open_windows.end();
  }

  /// Every call in order: "show Login", "message Critical Login Error", "timer on",
  /// "notice Problem No answer ...".
  std::vector<std::string> calls;
  std::vector<ShownMessage> messages;
  std::vector<std::string> notices;  ///< "Problem <text>" or "ProblemOver <text>"
  std::vector<core::WindowId> open_windows;
  bool timer_enabled = false, tray_icon = false, ended = false;
  int timer_interval = 0;
  /// What the next pop-up menus and file dialogs return (nothing when empty).
  std::deque<std::optional<core::MenuItem>> menu_choices;
  std::deque<std::optional<std::string>> dialog_results;
  /// Runs inside each message box, while it is "open".
  std::function<void(const ShownMessage&)> while_message_open;

 private:
  void log(const char* what, core::WindowId w) {
    const char* names[] = {"Login", "Selection", "Settings"};
    calls.push_back(what + std::string(names[static_cast<int>(w)]));
  }
  template <typename T>
  static std::optional<T> next(std::deque<std::optional<T>>& queue) {
    if (queue.empty()) return std::nullopt;
    auto front = std::move(queue.front());
    queue.pop_front();
    return front;
  }
};

/// A clock that shows m/d/yyyy and hh:mm:ss.
class FakeClock final : public core::Clock {
 public:
  core::DateTime current{2026, 12, 5, 14, 3, 7};
  core::DateTime now() override { return current; }
  std::string short_date_text(const core::DateTime& when) override;
  std::string time_text(const core::DateTime& when) override;
};

/// "3 1 6=000c29 71=0a" is a count of 3, read, an Ethernet and a type-71 adapter.
[[nodiscard]] core::AdapterList adapters_of(std::string_view text);

class FakeAdapters final : public core::AdapterSource {
 public:
  core::AdapterList list;
  int calls = 0;
  core::AdapterList list_adapters() override { return ++calls, list; }
};

/// Answers for web requests, shared by every client the factory makes. Each
/// request takes the first queued answer whose path matches (the text between
/// the host and "?"), else the path's standing answer, else fails with "no
/// answer scripted".
class WebScript {
 public:
  void answer(const std::string& path, core::Result<std::string> reply) {
    queued_[path].push_back(std::move(reply));
  }
  void answer_always(const std::string& path, core::Result<std::string> reply) {
    always_.insert_or_assign(path, std::move(reply));
  }
  [[nodiscard]] core::WebClientFactory factory();

  std::vector<std::string> requested;  ///< every URL asked for, in order
  int clients_made = 0;

 private:
  [[nodiscard]] core::Result<std::string> take(const std::string& url);
  std::map<std::string, std::deque<core::Result<std::string>>> queued_;
  std::map<std::string, core::Result<std::string>> always_;
};

/// The path part of a URL: "/GetTD.do" of "http://h:1/GetTD.do?x=1".
[[nodiscard]] std::string url_path(const std::string& url);

}  // namespace lumari::test
