// The login window's request, keys and buttons, and what it does when the
// service refuses, cannot be reached, or the systems cannot be saved.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "account_fixture.h"
#include "text/file_io.h"

namespace lumari::test {
namespace {

using core::MessageIcon;
using core::WindowId;

constexpr std::string_view kOldSaved = "1;1;old@example.com\r\n";
constexpr std::string_view kOldSystems = "99;Old\r\n";

using LoginWindow = AccountTest;

TEST_F(LoginWindow, RequestCarriesTrimmedEmailAndPasswordAsTypedEncoded) {
  log_in("1234;11;Alpha", "  ann+fx@example.com ", " p&ss w%rd\xE9 ");
  ASSERT_EQ(h.web.requested.size(), 1u);
  EXPECT_EQ(h.web.requested[0],
            "http://service.test/LumariLoginCheckAction.do?email=ann%2Bfx%40example.com"
            "&password=%20p%26ss%20w%25rd%E9%20");
  EXPECT_EQ(session().loginEmail, "ann+fx@example.com");
  EXPECT_EQ(session().loginPassword, " p&ss w%rd\xE9 ");
}

TEST_F(LoginWindow, EnterInThePasswordBoxLogsInWhateverTheShiftState) {
  const std::int16_t shifts[] = {0, 1, 2, 4};
  for (const std::int16_t shift : shifts) {
    h.web.answer(kLoginPath, std::string("1234;"));
    open_login("ann@example.com", "secret");
    EXPECT_TRUE(app().frmLogin_txtPass_KeyDown(13, shift));
    EXPECT_FALSE(session().login.open) << "shift " << shift;
  }
  EXPECT_EQ(requests_to(kLoginPath).size(), 4u);
}

TEST_F(LoginWindow, OtherKeysInThePasswordBoxAreLeftToTheBox) {
  open_login("ann@example.com", "secret");
  const std::int16_t keys[] = {10, 9, 27, 32, 65, 113, 269};
  for (const std::int16_t key : keys) {
    EXPECT_FALSE(app().frmLogin_txtPass_KeyDown(key, 0)) << "key " << key;
  }
  EXPECT_TRUE(h.web.requested.empty());
  EXPECT_TRUE(session().login.open);
  EXPECT_EQ(session().loginEmail, "");
}

TEST_F(LoginWindow, CancelClosesTheWindowAndChangesNothingElse) {
  h.write_data(kSavedLogins, kOldSaved);
  h.write_data(kSystems, kOldSystems);
  session().systemid = "prev";
  open_login("  bob@example.com ", "pw", 0);
  const std::string username_before = session().login.username;
  app().frmLogin_cmdCancel_Click();

  EXPECT_FALSE(session().login.open);
  EXPECT_FALSE(h.ui.is_open(WindowId::Login));
  EXPECT_TRUE(h.web.requested.empty());
  EXPECT_TRUE(h.ui.messages.empty());
  EXPECT_EQ(session().loginEmail, "");
  EXPECT_EQ(session().loginPassword, "");
  EXPECT_EQ(session().login.username, username_before);
  EXPECT_EQ(session().systemid, "prev");
  EXPECT_EQ(session().main.swlogin, 0);
  EXPECT_FALSE(h.ui.timer_enabled);
  EXPECT_EQ(h.data(kSavedLogins), kOldSaved);
  EXPECT_EQ(h.data(kSystems), kOldSystems);
}

TEST_F(LoginWindow, RefusalKeepsTheWindowOpenWithWhatWasTyped) {
  h.write_data(kSavedLogins, kOldSaved);
  h.write_data(kSystems, kOldSystems);
  session().main.swlogin = 1;
  h.web.answer(kLoginPath, std::string("<html><body>Access denied</body></html>"));
  open_login("  bad@example.com  ", " wrong pass ");
  app().frmLogin_cmdLogin_Click();

  ASSERT_EQ(h.ui.messages.size(), 1u);
  EXPECT_EQ(h.ui.messages[0].text, "Login Error");
  EXPECT_EQ(h.ui.messages[0].caption, "Lumari Terminal");
  EXPECT_EQ(h.ui.messages[0].icon, MessageIcon::Critical);
  EXPECT_TRUE(session().login.open);
  EXPECT_TRUE(h.ui.is_open(WindowId::Login));
  EXPECT_EQ(h.ui.count_calls("close Login"), 0);
  EXPECT_GE(h.ui.count_calls("refresh Login"), 1);  // the box shows the trimmed address
  EXPECT_EQ(session().login.controls.txtUser, "bad@example.com");
  EXPECT_EQ(session().login.controls.txtPass, " wrong pass ");
  EXPECT_EQ(session().loginEmail, "bad@example.com");
  EXPECT_EQ(session().loginPassword, " wrong pass ");
  EXPECT_EQ(session().login.username, "0");
  EXPECT_EQ(session().main.swlogin, 0);
  EXPECT_EQ(h.data(kSavedLogins), kOldSaved);
  EXPECT_EQ(h.data(kSystems), kOldSystems);
}

TEST_F(LoginWindow, SwloginIsClearedOnlyAfterTheRefusalIsAcknowledged) {
  session().main.swlogin = 1;
  int swlogin_while_open = -1;
  h.ui.while_message_open = [&](const ShownMessage&) {
    swlogin_while_open = session().main.swlogin;
  };
  log_in("abc;1;A");
  EXPECT_EQ(swlogin_while_open, 1);
  EXPECT_EQ(session().main.swlogin, 0);
}

TEST_F(LoginWindow, OneWebClientServesEveryAttemptOfTheWindow) {
  log_in("nope");
  ASSERT_TRUE(session().login.open);
  h.web.answer(kLoginPath, std::string("1234;"));
  type_login("ann@example.com", "right");
  app().frmLogin_cmdLogin_Click();
  EXPECT_FALSE(session().login.open);

  h.web.answer(kLoginPath, std::string("1234;"));
  open_login("ann@example.com", "right");
  app().frmLogin_cmdLogin_Click();

  EXPECT_EQ(requests_to(kLoginPath).size(), 3u);
  EXPECT_EQ(h.web.clients_made, 1);
}

TEST_F(LoginWindow, ServiceOutOfReachIsNotARefusal) {
  h.write_data(kSavedLogins, kOldSaved);
  h.write_data(kSystems, kOldSystems);
  session().main.swlogin = 1;
  session().systemid = "prev";
  h.web.answer(kLoginPath, core::Error{"connection refused"});
  open_login("ann@example.com", "secret");
  app().frmLogin_cmdLogin_Click();

  expect_service_unreachable_box(h.ui);
  if (HasFatalFailure()) return;
  EXPECT_TRUE(session().login.open);
  EXPECT_EQ(session().login.username, " ");
  EXPECT_EQ(session().main.swlogin, 1);
  EXPECT_EQ(session().systemid, "prev");
  EXPECT_FALSE(h.ui.timer_enabled);
  EXPECT_EQ(h.data(kSavedLogins), kOldSaved);
  EXPECT_EQ(h.data(kSystems), kOldSystems);
}

TEST_F(LoginWindow, MissingDataFolderStopsTheLoginWithAMessage) {
  std::filesystem::remove_all(h.data_folder);
  session().systemid = "prev";
  log_in("1234;11;Alpha");

  ASSERT_EQ(h.ui.messages.size(), 1u);
  const auto lines = message_lines(h.ui.messages[0].text);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Login Error");
  EXPECT_NE(lines[1].find("trade systems could not be saved"), std::string::npos) << lines[1];
  EXPECT_EQ(h.ui.messages[0].icon, MessageIcon::Critical);
  EXPECT_TRUE(session().login.open);
  EXPECT_EQ(session().systemid, "prev");
  EXPECT_EQ(session().main.swlogin, 0);
  EXPECT_FALSE(h.ui.timer_enabled);
  EXPECT_FALSE(session().fetcher.loaded);
  EXPECT_FALSE(h.has_data(kSavedLogins));
}

TEST_F(LoginWindow, UnwritableSystemsFileKeepsItsOldContentAndOpensNoSelection) {
  h.write_data(kSystems, kOldSystems);
  h.web.answer(kLoginPath, std::string(kTwoSystems));
  open_login("ann@example.com", "secret");
  {
    const FileFault fault{std::string(kSystems)};
    app().frmLogin_cmdLogin_Click();
  }
  ASSERT_EQ(h.ui.messages.size(), 1u);
  EXPECT_EQ(message_lines(h.ui.messages[0].text)[0], "Login Error");
  EXPECT_TRUE(session().login.open);
  EXPECT_FALSE(session().selection.open);
  EXPECT_EQ(h.ui.count_calls("show Selection"), 0);
  EXPECT_EQ(h.data(kSystems), kOldSystems);
  EXPECT_FALSE(h.has_data(kSavedLogins));
}

}  // namespace
}  // namespace lumari::test
