// Port: everything the user sees. The core decides what is shown and when; a
// front end draws it and reports the user's actions back to the App.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumari::core {

/// The windows besides the main window (the hidden fetcher window has no face).
enum class WindowId { Login, Selection, Settings };

enum class MessageIcon { Information, Critical };

/// What a notice tells: a problem the user should know of, or that it is over.
enum class NoticeKind { Problem, ProblemOver };

/// The two pop-up menus of the tray icon.
enum class MenuId {
  File,  ///< mnufile, while nobody is logged in
  Live,  ///< Mnulive, while a system is followed
};

/// The items of the two pop-up menus.
enum class MenuItem { mnuFlSi, mnuflset, mnuflex, mnulvSo, mnulvset, mnulvex };

class Ui {
 public:
  virtual ~Ui() = default;

  /// Shows the window modeless from its state, centred, in the normal window
  /// state; a window already open is only brought forward.
  virtual void show_window(WindowId window) = 0;
  /// Closes the window without any unload procedure of the core.
  virtual void close_window(WindowId window) = 0;
  /// Copies the window's state into its controls.
  virtual void refresh_window(WindowId window) = 0;

  /// Modal message box with an OK button; returns when the user has closed it.
  virtual void message_box(std::string_view text, std::string_view caption, MessageIcon icon) = 0;
  /// A notice that neither waits for the user nor takes the focus (a balloon
  /// from the tray icon); returns at once.
  virtual void notify(std::string_view text, NoticeKind kind) = 0;
  /// Shows the pop-up menu at the mouse; the item chosen, or nothing when dismissed.
  [[nodiscard]] virtual std::optional<MenuItem> popup_menu(MenuId menu) = 0;
  /// The file-open dialog; the full path chosen, or nothing when cancelled.
  [[nodiscard]] virtual std::optional<std::string> open_file_dialog() = 0;

  virtual void set_timer_interval(int milliseconds) = 0;
  virtual void set_timer_enabled(bool enabled) = 0;

  virtual void minimize_main_window() = 0;
  virtual void hide_main_window() = 0;
  virtual void add_tray_icon() = 0;
  virtual void remove_tray_icon() = 0;

  /// Ends the program at once; open windows close without their unload.
  virtual void end_program() = 0;
};

}  // namespace lumari::core
