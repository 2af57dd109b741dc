// The saved login records: chklogin.dat loaded into the login window by the tray
// menu and the login record written back by an accepted login.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "account_fixture.h"

namespace lumari::test {
namespace {

using core::WindowId;
using Lines = std::vector<std::string>;

using SavedLogin = AccountTest;

TEST_F(SavedLogin, TickedBoxSavesTheTrimmedAddress) {
  log_in("1234;11;Alpha", "  ann@example.com  ", "secret", 1);
  EXPECT_EQ(h.data(kSavedLogins), "1;1;ann@example.com\r\n");
}

TEST_F(SavedLogin, UntickedBoxSavesOneBlankAndRestoresABlankBox) {
  log_in("1234;11;Alpha", "ann@example.com", "secret", 0);
  EXPECT_EQ(h.data(kSavedLogins), "1;0; \r\n");

  session().login.controls.txtUser = "typed@example.com";
  session().login.controls.chklogin = 1;
  app().LoadSavedLogin();
  EXPECT_EQ(session().login.controls.txtUser, " ");
  EXPECT_EQ(session().login.controls.chklogin, 0);
}

TEST_F(SavedLogin, LoginItemShowsTheRememberedAddress) {
  h.write_data(kSavedLogins, "2;1;12 Alpha4\r\n1;1;bob@example.com\r\n");
  app().FrmMainMdi_mnuFlSi_Click();
  EXPECT_EQ(session().login.controls.txtUser, "bob@example.com");
  EXPECT_EQ(session().login.controls.chklogin, 1);
  EXPECT_EQ(session().main.ceklist, (Lines{"2;1;12 Alpha4", "1;1;bob@example.com"}));
  EXPECT_TRUE(session().login.open);
  EXPECT_TRUE(h.ui.is_open(WindowId::Login));
}

TEST_F(SavedLogin, FirstLoginRecordIsTheOneRead) {
  h.write_data(kSavedLogins,
               " 1;1;spaced@example.com\r\n1;1;first@example.com\r\n"
               "1;0;second@example.com\r\n");
  app().LoadSavedLogin();
  EXPECT_EQ(session().login.controls.txtUser, "first@example.com");
  EXPECT_EQ(session().login.controls.chklogin, 1);
}

TEST_F(SavedLogin, FlagThatIsNotANumberRestoresAnUntickedBox) {
  h.write_data(kSavedLogins, "1;yes;bob@example.com\r\n");
  session().login.controls.chklogin = 1;
  app().LoadSavedLogin();
  EXPECT_EQ(session().login.controls.txtUser, "bob@example.com");
  EXPECT_EQ(session().login.controls.chklogin, 0);
}

TEST_F(SavedLogin, EmptyLinesOfTheFileAreSkipped) {
  h.write_data(kSavedLogins, "\r\n1;1;bob@example.com\r\n\n\r\n2;0;12 Alpha4");
  app().LoadSavedLogin();
  EXPECT_EQ(session().main.ceklist, (Lines{"1;1;bob@example.com", "2;0;12 Alpha4"}));
}

TEST_F(SavedLogin, WithoutALoginRecordTheBoxesKeepWhatTheyHold) {
  h.write_data(kSavedLogins, "2;1;12 Alpha4\r\n");
  session().login.controls.txtUser = "keep@example.com";
  session().login.controls.chklogin = 1;
  app().LoadSavedLogin();
  EXPECT_EQ(session().login.controls.txtUser, "keep@example.com");
  EXPECT_EQ(session().login.controls.chklogin, 1);
  EXPECT_EQ(session().main.ceklist, Lines{"2;1;12 Alpha4"});
}

TEST_F(SavedLogin, WithoutALoginRecordTheNextLoginAppendsOneAtTheEnd) {
  h.write_data(kSavedLogins, "2;1;12 Alpha4\r\n");
  session().login.controls.txtUser = "typed@example.com";
  app().FrmMainMdi_mnuFlSi_Click();
  EXPECT_EQ(session().login.controls.txtUser, " ");

  h.web.answer(kLoginPath, std::string(kTwoSystems));
  type_login("ann@example.com", "secret", 1);
  app().frmLogin_cmdLogin_Click();
  EXPECT_EQ(h.data(kSavedLogins), "2;1;12 Alpha4\r\n1;1;ann@example.com\r\n");
}

TEST_F(SavedLogin, MissingFileReadsAsNoRecords) {
  session().main.ceklist = {"1;1;stale@example.com"};
  session().login.controls.txtUser = "keep@example.com";
  session().login.controls.chklogin = 1;
  app().LoadSavedLogin();
  EXPECT_TRUE(session().main.ceklist.empty());
  EXPECT_EQ(session().login.controls.txtUser, "keep@example.com");
  EXPECT_EQ(session().login.controls.chklogin, 1);
  EXPECT_FALSE(h.has_data(kSavedLogins));
  EXPECT_TRUE(h.ui.messages.empty());
}

TEST_F(SavedLogin, FileThatCannotBeReadKeepsItsRecordsUntilItReads) {
  const std::string kept = "2;1;12 Alpha4\r\n1;1;bob@example.com\r\n";
  h.write_data(kSavedLogins, kept);
  {
    const FileFault unreadable{std::string(kSavedLogins), core::FileOp::Read};
    session().main.ceklist = {"1;1;stale@example.com"};
    app().FrmMainMdi_mnuFlSi_Click();
    EXPECT_TRUE(session().main.ceklist.empty());
    EXPECT_EQ(session().login.controls.txtUser, " ");
    // Neither a login with several systems, nor the selection window's unload,
    // nor a login with one system replaces what could not be read.
    h.web.answer(kLoginPath, std::string(kTwoSystems));
    type_login("ann@example.com", "secret", 1);
    app().frmLogin_cmdLogin_Click();
    ASSERT_TRUE(session().selection.open);
    app().window_closed(WindowId::Selection);
    EXPECT_FALSE(session().selection.open);
    log_in("1234;11;Alpha", "ann@example.com", "secret", 1);
    EXPECT_EQ(session().main.swlogin, 1);
    EXPECT_EQ(h.data(kSavedLogins), kept);
    EXPECT_TRUE(h.ui.messages.empty());
  }
  // Once the file reads again, the next login replaces its login record as usual.
  log_in(kTwoSystems, "ann@example.com", "secret", 1);
  EXPECT_EQ(h.data(kSavedLogins), "2;1;12 Alpha4\r\n1;1;ann@example.com\r\n");
}

TEST_F(SavedLogin, LoadingTwiceKeepsOneCopyOfEachRecord) {
  h.write_data(kSavedLogins, "2;1;12 Alpha4\r\n1;1;old@example.com\r\n");
  app().FrmMainMdi_mnuFlSi_Click();
  app().FrmMainMdi_mnuFlSi_Click();
  app().FrmMainMdi_mnuflset_Click();
  EXPECT_EQ(session().main.ceklist, (Lines{"2;1;12 Alpha4", "1;1;old@example.com"}));

  h.web.answer(kLoginPath, std::string(kTwoSystems));
  type_login("new@example.com", "secret");
  app().frmLogin_cmdLogin_Click();
  EXPECT_EQ(h.data(kSavedLogins), "2;1;12 Alpha4\r\n1;1;new@example.com\r\n");
  app().FrmMainMdi_mnuFlSi_Click();
  EXPECT_EQ(session().login.controls.txtUser, "new@example.com");
}

TEST_F(SavedLogin, OneSystemLoginKeepsOnlyTheNewLoginRecord) {
  h.write_data(kSavedLogins, "2;1;12 Alpha4\r\n1;1;old@example.com\r\n");
  log_in("1234;11;Alpha", "ann@example.com");
  EXPECT_EQ(h.data(kSavedLogins), "1;1;ann@example.com\r\n");
  EXPECT_EQ(session().main.ceklist, Lines{"1;1;ann@example.com"});
}

TEST_F(SavedLogin, SeveralSystemsLoginPutsTheLoginRecordAfterTheSelectionRecord) {
  h.write_data(kSavedLogins, "2;1;12 Alpha4\r\n1;1;old@example.com\r\n");
  log_in(kTwoSystems, "ann@example.com");
  ASSERT_TRUE(session().selection.open);
  EXPECT_EQ(h.data(kSavedLogins), "2;1;12 Alpha4\r\n1;1;ann@example.com\r\n");
}

TEST_F(SavedLogin, LoginRecordReplacedFromTheFrontMovesToTheEnd) {
  h.write_data(kSavedLogins, "1;0; \r\n2;1;12 Alpha4\r\n2;0;15 Beta Fund8\r\n");
  log_in(kTwoSystems, "ann@example.com", "secret", 1);
  EXPECT_EQ(h.data(kSavedLogins), "2;1;12 Alpha4\r\n2;0;15 Beta Fund8\r\n1;1;ann@example.com\r\n");
}

TEST_F(SavedLogin, ShortRecordIsWrittenBackButNeverTakenForALoginRecord) {
  h.write_data(kSavedLogins, "x\r\n1;1;ann@example.com\r\n");
  app().FrmMainMdi_mnuFlSi_Click();
  EXPECT_EQ(session().main.ceklist, (Lines{"x", "1;1;ann@example.com"}));
  EXPECT_EQ(session().login.controls.txtUser, "ann@example.com");

  // The last split left kind "1" behind; the short record must not match on it.
  h.web.answer(kLoginPath, std::string(kTwoSystems));
  type_login("new@example.com", "secret");
  app().frmLogin_cmdLogin_Click();
  EXPECT_EQ(h.data(kSavedLogins), "x\r\n1;1;new@example.com\r\n");
}

TEST_F(SavedLogin, ShortRecordDoesNotFillTheLoginWindowFromAnEarlierSplit) {
  session().recKind = "1";
  session().recFlag = "1";
  session().recText = "stale@example.com";
  h.write_data(kSavedLogins, "x\r\n");
  session().login.controls.txtUser = "keep@example.com";
  app().LoadSavedLogin();
  EXPECT_EQ(session().main.ceklist, Lines{"x"});
  EXPECT_EQ(session().login.controls.txtUser, "keep@example.com");
  EXPECT_EQ(session().login.controls.chklogin, 0);
  EXPECT_EQ(session().recKind, "1");  // the split results stay as they were
  EXPECT_EQ(session().recText, "stale@example.com");
}

TEST_F(SavedLogin, LoginItemResetsTheAddressBeforeApplyingTheRecord) {
  session().login.controls.txtUser = "typed@example.com";
  app().FrmMainMdi_mnuFlSi_Click();
  EXPECT_EQ(session().login.controls.txtUser, " ");

  h.write_data(kSavedLogins, "1;1;bob@example.com\r\n");
  session().login.controls.txtUser = "typed@example.com";
  app().FrmMainMdi_mnuFlSi_Click();
  EXPECT_EQ(session().login.controls.txtUser, "bob@example.com");
}

TEST_F(SavedLogin, SettingItemShowsTheSettingsWindowAndLoadsTheRecords) {
  h.write_data(kSavedLogins, "2;1;12 Alpha4\r\n1;1;bob@example.com\r\n");
  app().FrmMainMdi_mnuflset_Click();
  EXPECT_TRUE(session().settings.open);
  EXPECT_TRUE(h.ui.is_open(WindowId::Settings));
  EXPECT_FALSE(h.ui.is_open(WindowId::Login));
  EXPECT_EQ(session().main.ceklist, (Lines{"2;1;12 Alpha4", "1;1;bob@example.com"}));
  EXPECT_EQ(session().login.controls.txtUser, "bob@example.com");
  EXPECT_EQ(session().login.controls.chklogin, 1);
}

TEST_F(SavedLogin, SettingItemDoesNotResetTheAddress) {
  h.write_data(kSavedLogins, "2;1;12 Alpha4\r\n");
  session().login.controls.txtUser = "keep@example.com";
  app().FrmMainMdi_mnuflset_Click();
  EXPECT_EQ(session().login.controls.txtUser, "keep@example.com");
}

TEST_F(SavedLogin, RefusedLoginLeavesTheRecordsFileAlone) {
  app().FrmMainMdi_mnuflset_Click();
  log_in("0;", "ann@example.com", "secret", 1);
  EXPECT_FALSE(h.has_data(kSavedLogins));
  EXPECT_TRUE(session().main.ceklist.empty());
}

}  // namespace
}  // namespace lumari::test
