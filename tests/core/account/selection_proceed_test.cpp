// The trade system selection window's Proceed and unload: the selection request,
// following the chosen system, and the selection record kept in chklogin.dat.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "account_fixture.h"

namespace lumari::test {
namespace {

using core::MessageIcon;
using core::WindowId;

class SelectionProceed : public AccountTest {
 protected:
  /// Logs in to an account with two systems, picks an entry and proceeds.
  void choose(std::string_view entry, int remember) {
    session().selection.controls.cmbsystem_text = std::string(entry);
    session().selection.controls.chksys = remember;
    h.web.answer(kSelectPath, std::string("OK"));
    app().FrmSys_CmdProcced_Click();
  }
};

TEST(SelectionRequest, CarriesEveryValueEncoded) {
  AppHarness h;
  h.adapters.list = core::AdapterList{2, false, {}};  // identity "2 Adapter(s):" CR LF
  h.log_in("1234;A&B;Alpha;15;Beta Fund", "ann+fx@example.com", "p&ss w");
  ASSERT_TRUE(h.session().selection.open);
  EXPECT_EQ(h.session().selection.controls.cmbsystem_text, "A&B Alpha");
  h.web.answer(kSelectPath, std::string("OK"));
  h.app->FrmSys_CmdProcced_Click();

  ASSERT_EQ(h.web.requested.size(), 2u);
  EXPECT_EQ(h.web.requested[1],
            "http://service.test/LumariLoginSelectSystemAction.do?email=ann%2Bfx%40example.com"
            "&password=p%26ss%20w&systemid=A%26B&loginid=2%20Adapter%28s%29%3A%0D%0A");
  EXPECT_EQ(h.session().systemid, "A&B");
}

TEST_F(SelectionProceed, ProceedFollowsTheChosenSystem) {
  log_in(kTwoSystems);
  choose("15 Beta Fund", 0);

  const auto selects = requests_to(kSelectPath);
  ASSERT_EQ(selects.size(), 1u);
  EXPECT_EQ(query_value(selects[0], "systemid"), "15");
  EXPECT_EQ(query_value(selects[0], "email"), "ann%40example.com");
  EXPECT_EQ(query_value(selects[0], "password"), "secret");
  EXPECT_EQ(session().systemid, "15");
  EXPECT_TRUE(session().fetcher.loaded);
  EXPECT_TRUE(h.ui.timer_enabled);
  EXPECT_TRUE(session().main.mytimer_enabled);
  EXPECT_EQ(session().main.swlogin, 1);
  EXPECT_FALSE(session().selection.open);
  EXPECT_FALSE(h.ui.is_open(WindowId::Selection));
  EXPECT_TRUE(h.ui.messages.empty());
  EXPECT_EQ(h.exchange("ServerOrder.log"), "");
}

TEST_F(SelectionProceed, ProceedAppendsTheSelectionRecordAndEmptiesTheList) {
  log_in(kTwoSystems);
  EXPECT_EQ(h.data(kSavedLogins), "1;0; \r\n");
  choose("15 Beta Fund", 1);
  EXPECT_EQ(h.data(kSavedLogins), "1;0; \r\n2;1;15 Beta Fund4\r\n");
  EXPECT_TRUE(session().main.ceklist.empty());
}

TEST_F(SelectionProceed, CloseBoxStoresTheRecordButFollowsNothing) {
  session().systemid = "prev";
  log_in(kTwoSystems);
  session().selection.controls.cmbsystem_text = "15 Beta Fund";
  session().selection.controls.chksys = 1;
  app().window_closed(WindowId::Selection);

  EXPECT_EQ(h.data(kSavedLogins), "1;0; \r\n2;1;15 Beta Fund4\r\n");
  EXPECT_TRUE(session().main.ceklist.empty());
  EXPECT_TRUE(requests_to(kSelectPath).empty());
  EXPECT_EQ(session().systemid, "prev");
  EXPECT_FALSE(session().fetcher.loaded);
  EXPECT_FALSE(h.ui.timer_enabled);
  EXPECT_EQ(session().main.swlogin, 0);
  EXPECT_FALSE(session().selection.open);
  EXPECT_FALSE(h.ui.is_open(WindowId::Selection));
}

TEST_F(SelectionProceed, ThisAccountsRecordIsReplacedAndMovesToTheEnd) {
  h.write_data(kSavedLogins, "2;1;12 Alpha4\r\n2;1;12 Alpha7\r\n1;1;ann@example.com\r\n");
  log_in(kTwoSystems, "ann@example.com");
  EXPECT_EQ(session().selection.controls.cmbsystem_text, "12 Alpha");
  EXPECT_EQ(session().selection.controls.chksys, 1);
  choose("15 Beta Fund", 1);
  EXPECT_EQ(h.data(kSavedLogins), "2;1;12 Alpha7\r\n1;1;ann@example.com\r\n2;1;15 Beta Fund4\r\n");
}

TEST_F(SelectionProceed, RepeatedLoginsKeepOneRecordPerAccountAndPreselectIt) {
  log_in(kTwoSystems);
  choose("15 Beta Fund", 1);
  app().FrmMainMdi_mnulvSo_Click();

  log_in(kTwoSystems);
  EXPECT_EQ(session().selection.controls.cmbsystem_text, "15 Beta Fund");
  EXPECT_EQ(session().selection.controls.chksys, 1);
  choose("12 Alpha", 1);
  app().FrmMainMdi_mnulvSo_Click();

  log_in(kTwoSystems);
  EXPECT_EQ(session().selection.controls.cmbsystem_text, "12 Alpha");
  EXPECT_EQ(session().selection.controls.chksys, 1);
  choose("15 Beta Fund", 0);
  EXPECT_EQ(h.data(kSavedLogins), "1;0; \r\n2;0;15 Beta Fund4\r\n");

  app().FrmMainMdi_mnulvSo_Click();
  log_in(kTwoSystems);
  EXPECT_EQ(session().selection.controls.cmbsystem_text, "12 Alpha");
  EXPECT_EQ(session().selection.controls.chksys, 0);
}

TEST_F(SelectionProceed, AnotherAccountsChoiceIsKeptBeside) {
  log_in(kTwoSystems);
  choose("15 Beta Fund", 1);
  app().FrmMainMdi_mnulvSo_Click();

  log_in("5677;12;Alpha;15;Beta Fund", "bob@example.com");
  EXPECT_EQ(session().selection.controls.cmbsystem_text, "12 Alpha");
  EXPECT_EQ(session().selection.controls.chksys, 0);
  choose("12 Alpha", 1);
  EXPECT_EQ(h.data(kSavedLogins), "2;1;15 Beta Fund4\r\n1;0; \r\n2;1;12 Alpha7\r\n");
}

TEST_F(SelectionProceed, ShortRecordIsNeverTakenForThisAccountsRecord) {
  h.write_data(kSavedLogins, "y\r\n");
  // Left behind by an earlier split: kind "2" with this account's marker.
  session().recKind = "2";
  session().recFlag = "1";
  session().recText = "15 Beta Fund4";
  log_in(kTwoSystems);
  choose("15 Beta Fund", 1);
  EXPECT_EQ(h.data(kSavedLogins), "y\r\n1;0; \r\n2;1;15 Beta Fund4\r\n");
}

TEST_F(SelectionProceed, UnreachableServiceKeepsTheWindowOpenAndFollowsNothing) {
  session().systemid = "prev";
  log_in(kTwoSystems);
  const std::string saved = h.data(kSavedLogins);
  const auto ceklist = session().main.ceklist;
  session().selection.controls.cmbsystem_text = "15 Beta Fund";
  h.web.answer(kSelectPath, core::Error{"timed out"});
  app().FrmSys_CmdProcced_Click();

  expect_service_unreachable_box(h.ui);
  if (HasFatalFailure()) return;
  EXPECT_TRUE(session().selection.open);
  EXPECT_TRUE(h.ui.is_open(WindowId::Selection));
  EXPECT_EQ(session().selection.controls.cmbsystem_text, "15 Beta Fund");
  EXPECT_EQ(session().systemid, "prev");
  EXPECT_FALSE(session().fetcher.loaded);
  EXPECT_FALSE(h.ui.timer_enabled);
  EXPECT_EQ(session().main.swlogin, 0);
  EXPECT_EQ(h.data(kSavedLogins), saved);
  EXPECT_EQ(session().main.ceklist, ceklist);

  // A second try goes through the window's one web client.
  h.web.answer(kSelectPath, std::string("OK"));
  app().FrmSys_CmdProcced_Click();
  EXPECT_EQ(session().systemid, "15");
  EXPECT_EQ(session().main.swlogin, 1);
  EXPECT_FALSE(session().selection.open);
  EXPECT_EQ(requests_to(kSelectPath).size(), 2u);
  EXPECT_EQ(h.web.clients_made, 2);  // the login window's and the selection window's
}

TEST_F(SelectionProceed, TextWithoutABlankIsTheWholeSystemId) {
  log_in(kTwoSystems);
  choose("15", 0);
  EXPECT_EQ(session().systemid, "15");
  EXPECT_EQ(query_value(requests_to(kSelectPath).at(0), "systemid"), "15");
  EXPECT_EQ(h.data(kSavedLogins), "1;0; \r\n2;0;154\r\n");
}

TEST_F(SelectionProceed, EmptyTextProceedsWithAnEmptySystemId) {
  log_in(kTwoSystems);
  choose("", 0);
  EXPECT_EQ(session().systemid, "");
  EXPECT_EQ(query_value(requests_to(kSelectPath).at(0), "systemid"), "");
  EXPECT_FALSE(session().selection.open);
}

}  // namespace
}  // namespace lumari::test
