#include "headless/console_ui.h"

#include <ostream>
#include <utility>

#include "shell/app.h"

namespace lumari::headless {

std::string one_line(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      line += ' ';
    } else {
      line += text[i];
    }
  }
  return line;
}

void ConsoleUi::message_box(std::string_view text, std::string_view caption, core::MessageIcon) {
  messages_ << caption << ": " << one_line(text) << std::endl;
}

void ConsoleUi::notify(std::string_view text, core::NoticeKind) {
  messages_ << core::kAppTitle << ": " << one_line(text) << std::endl;
}

std::optional<core::MenuItem> ConsoleUi::popup_menu(core::MenuId) {
  return std::exchange(menu_choice_, std::nullopt);
}

}  // namespace lumari::headless
