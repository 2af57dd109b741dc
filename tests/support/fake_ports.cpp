#include "support/fake_ports.h"

#include <algorithm>
#include <cstdio>

namespace lumari::test {

using core::MenuId;
using core::MessageIcon;
using core::WindowId;

const char* window_name(WindowId window) {
  switch (window) {
    case WindowId::Login: return "Login";
    case WindowId::Selection: return "Selection";
    case WindowId::Settings: return "Settings";
  }
  return "?";
}

void FakeUi::show_window(WindowId window) {
  calls.push_back(std::string("show ") + window_name(window));
  if (!is_open(window)) open_windows.push_back(window);
}

void FakeUi::close_window(WindowId window) {
  calls.push_back(std::string("close ") + window_name(window));
  open_windows.erase(std::remove(open_windows.begin(), open_windows.end(), window),
                     open_windows.end());
}

void FakeUi::refresh_window(WindowId window) {
  calls.push_back(std::string("refresh ") + window_name(window));
}

void FakeUi::message_box(std::string_view text, std::string_view caption, MessageIcon icon) {
  ShownMessage shown{std::string(text), std::string(caption), icon};
  calls.push_back(std::string("message ") +
                  (icon == MessageIcon::Critical ? "Critical " : "Information ") + shown.text);
  messages.push_back(shown);
  if (while_message_open) while_message_open(shown);
}

void FakeUi::notify(std::string_view text, core::NoticeKind kind) {
  std::string notice = kind == core::NoticeKind::Problem ? "Problem " : "ProblemOver ";
  notice += text;
  calls.push_back("notice " + notice);
  notices.push_back(std::move(notice));
}

std::optional<core::MenuItem> FakeUi::popup_menu(MenuId menu) {
  calls.push_back(menu == MenuId::File ? "menu file" : "menu Live");
  menus_shown.push_back(menu);
  if (menu_choices.empty()) return std::nullopt;
  auto choice = menu_choices.front();
  menu_choices.pop_front();
  return choice;
}

std::optional<std::string> FakeUi::open_file_dialog() {
  calls.push_back("file dialog");
  if (dialog_results.empty()) return std::nullopt;
  auto result = dialog_results.front();
  dialog_results.pop_front();
  return result;
}

void FakeUi::set_timer_interval(int milliseconds) {
  calls.push_back("timer interval " + std::to_string(milliseconds));
  timer_interval = milliseconds;
}

void FakeUi::set_timer_enabled(bool enabled) {
  calls.push_back(enabled ? "timer on" : "timer off");
  timer_enabled = enabled;
}

void FakeUi::minimize_main_window() { calls.push_back("minimize main"); }
void FakeUi::hide_main_window() { calls.push_back("hide main"); }

void FakeUi::add_tray_icon() {
  calls.push_back("add tray icon");
  tray_icon = true;
}

void FakeUi::remove_tray_icon() {
  calls.push_back("remove tray icon");
  tray_icon = false;
}

void FakeUi::end_program() {
  calls.push_back("end program");
  ended = true;
}

bool FakeUi::is_open(WindowId window) const {
  return std::find(open_windows.begin(), open_windows.end(), window) != open_windows.end();
}

int FakeUi::count_calls(std::string_view call) const {
  return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

std::string FakeClock::short_date_text(const core::DateTime& when) {
  char text[32];
  std::snprintf(text, sizeof text, "%d/%d/%04d", when.month, when.day, when.year);
  return text;
}

std::string FakeClock::time_text(const core::DateTime& when) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", when.hour, when.minute, when.second);
  return text;
}

void WebScript::answer(const std::string& path, core::Result<std::string> reply) {
  queued_[path].push_back(std::move(reply));
}

void WebScript::answer_always(const std::string& path, core::Result<std::string> reply) {
  always_.insert_or_assign(path, std::move(reply));
}

core::Result<std::string> WebScript::take(const std::string& url) {
  requested.push_back(url);
  const std::string path = url_path(url);
  if (auto it = queued_.find(path); it != queued_.end() && !it->second.empty()) {
    auto reply = std::move(it->second.front());
    it->second.pop_front();
    return reply;
  }
  if (auto it = always_.find(path); it != always_.end()) return it->second;
  return core::Error{"no answer scripted"};
}

core::WebClientFactory WebScript::factory() {
  return [this]() -> std::unique_ptr<core::WebClient> {
    class Client final : public core::WebClient {
     public:
      explicit Client(WebScript& script) : script_(script) {}
      core::Result<std::string> get(const std::string& url) override { return script_.take(url); }

     private:
      WebScript& script_;
    };
    ++clients_made;
    return std::make_unique<Client>(*this);
  };
}

std::string url_path(const std::string& url) {
  const std::size_t scheme = url.find("://");
  const std::size_t start = url.find('/', scheme == std::string::npos ? 0 : scheme + 3);
  if (start == std::string::npos) return "/";
  const std::size_t end = url.find('?', start);
  return url.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string query_value(const std::string& url, const std::string& key) {
  const std::size_t query = url.find('?');
  if (query == std::string::npos) return {};
  std::size_t at = query + 1;
  while (at < url.size()) {
    const std::size_t end = std::min(url.find('&', at), url.size());
    const std::string pair = url.substr(at, end - at);
    const std::size_t eq = pair.find('=');
    if (pair.substr(0, eq) == key) return eq == std::string::npos ? "" : pair.substr(eq + 1);
    at = end + 1;
  }
  return {};
}

}  // namespace lumari::test
