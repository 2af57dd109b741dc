// Shared set-up of the account tests: a started program over fake ports and real
// folders, and helpers that drive the login window the way a user does.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/app_harness.h"
#include "text/file_io.h"

namespace lumari::test {

inline const std::string kLoginPath = "/LumariLoginCheckAction.do";
inline const std::string kSelectPath = "/LumariLoginSelectSystemAction.do";
inline constexpr std::string_view kSystems = "systemp.dat";
inline constexpr std::string_view kSavedLogins = "chklogin.dat";
inline constexpr std::string_view kTwoSystems = "1234;12;Alpha;15;Beta Fund";

/// The lines of a message box text, split at CR LF.
[[nodiscard]] inline std::vector<std::string> message_lines(std::string_view text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0;;) {
    const std::size_t end = text.find("\r\n", at);
    lines.emplace_back(text.substr(at, end == std::string_view::npos ? end : end - at));
    if (end == std::string_view::npos) return lines;
    at = end + 2;
  }
}

/// The one message shown is the critical "Login Error" box whose second line
/// says the service could not be reached.
inline void expect_service_unreachable_box(const FakeUi& ui) {
  ASSERT_EQ(ui.messages.size(), 1u);
  const auto lines = message_lines(ui.messages[0].text);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Login Error");
  EXPECT_NE(lines[1].find("could not be reached"), std::string::npos) << lines[1];
  EXPECT_EQ(ui.messages[0].caption, "Lumari Terminal");
  EXPECT_EQ(ui.messages[0].icon, core::MessageIcon::Critical);
}

/// Makes the file operations on one data file fail while it lives: every one,
/// or only those of one kind.
class FileFault {
 public:
  explicit FileFault(std::string name, std::optional<core::FileOp> only = std::nullopt) {
    core::set_file_fault_hook(
        [name = std::move(name), only](core::FileOp op, const std::string& path) {
          return path.find(name) != std::string::npos && (!only || op == *only);
        });
  }
  ~FileFault() { core::set_file_fault_hook(nullptr); }
  FileFault(const FileFault&) = delete;
  FileFault& operator=(const FileFault&) = delete;
};

class AccountTest : public ::testing::Test {
 protected:
  void SetUp() override { h.start(); }

  [[nodiscard]] core::App& app() { return *h.app; }
  [[nodiscard]] core::Session& session() { return h.session(); }

  /// Opens the login window from the tray menu's Login item and types into it;
  /// the check box keeps what the saved record gave it unless `remember` is set.
  void open_login(std::string_view email, std::string_view password,
                  std::optional<int> remember = std::nullopt) {
    app().FrmMainMdi_mnuFlSi_Click();
    type_login(email, password, remember);
  }

  void type_login(std::string_view email, std::string_view password,
                  std::optional<int> remember = std::nullopt) {
    session().login.controls.txtUser = std::string(email);
    session().login.controls.txtPass = std::string(password);
    if (remember) session().login.controls.chklogin = *remember;
  }

  /// Opens the login window, scripts the service's answer and clicks Login.
  void log_in(std::string_view answer, std::string_view email = "ann@example.com",
              std::string_view password = "secret", std::optional<int> remember = std::nullopt) {
    h.web.answer(kLoginPath, std::string(answer));
    open_login(email, password, remember);
    app().frmLogin_cmdLogin_Click();
  }

  /// URLs asked for on one request path, in order.
  [[nodiscard]] std::vector<std::string> requests_to(const std::string& path) const {
    std::vector<std::string> urls;
    for (const auto& url : h.web.requested) {
      if (url_path(url) == path) urls.push_back(url);
    }
    return urls;
  }

  AppHarness h;
};

}  // namespace lumari::test
