// The Ui port on a console: message boxes and notices become lines on stderr, the pop-up
// menu answers with the item the driver queued, windows exist only as state.
#pragma once

#include <deque>
#include <iosfwd>
#include <optional>
#include <string>

#include "ports/ui.h"

namespace lumari::headless {

class ConsoleUi final : public core::Ui {
 public:
  explicit ConsoleUi(std::ostream& messages) : messages_(messages) {}

  void show_window(core::WindowId) override {}
  void close_window(core::WindowId) override {}
  void refresh_window(core::WindowId) override {}
  void message_box(std::string_view text, std::string_view caption,
                   core::MessageIcon icon) override;
  void notify(std::string_view text, core::NoticeKind kind) override;
  std::optional<core::MenuItem> popup_menu(core::MenuId menu) override;
  std::optional<std::string> open_file_dialog() override { return std::nullopt; }
  void set_timer_interval(int milliseconds) override { timer_interval_ms_ = milliseconds; }
  void set_timer_enabled(bool enabled) override { timer_enabled_ = enabled; }
  void minimize_main_window() override {}
  void hide_main_window() override {}
  void add_tray_icon() override {}
  void remove_tray_icon() override {}
  void end_program() override { ended_ = true; }

  /// The item the next pop-up menu returns.
  void queue_menu_choice(core::MenuItem item) { menu_choice_ = item; }

  [[nodiscard]] bool timer_enabled() const { return timer_enabled_; }
  [[nodiscard]] int timer_interval_ms() const { return timer_interval_ms_; }
  [[nodiscard]] bool ended() const { return ended_; }

 private:
  std::ostream& messages_;
  std::optional<core::MenuItem> menu_choice_;
  bool timer_enabled_ = false;
  int timer_interval_ms_ = 0;
  bool ended_ = false;
};

/// A message box's text on one line: each CR, LF or CR LF becomes one space.
[[nodiscard]] std::string one_line(std::string_view text);

}  // namespace lumari::headless
