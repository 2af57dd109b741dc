// The trade system selection window as it opens: its entries from systemp.dat
// and the system it preselects from this account's selection record.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "account_fixture.h"

namespace lumari::test {
namespace {

using core::WindowId;
using Lines = std::vector<std::string>;

using SelectionLoad = AccountTest;

TEST_F(SelectionLoad, EntriesFollowTheSystemsFileAndTheFirstIsShown) {
  log_in(kTwoSystems);
  const auto& controls = session().selection.controls;
  EXPECT_TRUE(session().selection.open);
  EXPECT_TRUE(h.ui.is_open(WindowId::Selection));
  EXPECT_EQ(controls.cmbsystem, (Lines{"12 Alpha", "15 Beta Fund"}));
  EXPECT_EQ(controls.cmbsystem_text, "12 Alpha");
  EXPECT_EQ(controls.chksys, 0);
  EXPECT_EQ(session().login.cntsys, 2);
  EXPECT_FALSE(session().login.open);
}

TEST_F(SelectionLoad, SelectionWindowOpensBeforeTheLoginWindowCloses) {
  log_in(kTwoSystems);
  const auto& calls = h.ui.calls;
  const auto show = std::find(calls.begin(), calls.end(), "show Selection");
  const auto close = std::find(calls.begin(), calls.end(), "close Login");
  ASSERT_NE(show, calls.end());
  ASSERT_NE(close, calls.end());
  EXPECT_LT(show, close);
}

TEST_F(SelectionLoad, NamesWithBlanksAndEmptyNamesAreKeptWhole) {
  log_in("1234;12;Alpha Growth Fund;15;");
  EXPECT_EQ(session().selection.controls.cmbsystem, (Lines{"12 Alpha Growth Fund", "15 "}));
}

struct PreselectCase {
  const char* name;
  std::string_view records;  ///< chklogin.dat before the login
  std::string_view shown;
  int chksys;
};

TEST(SelectionPreselect, RememberedSystemIsShownOnlyWhenItQualifies) {
  const PreselectCase cases[] = {
      {"box checked", "2;1;15 Beta Fund4\r\n", "15 Beta Fund", 1},
      {"box checked, login record after", "2;1;15 Beta Fund4\r\n1;0; \r\n", "15 Beta Fund", 1},
      {"box clear", "2;0;15 Beta Fund4\r\n", "12 Alpha", 0},
      {"flag not a number", "2;yes;15 Beta Fund4\r\n", "12 Alpha", 0},
      {"flag rounds to two", "2;1.5;15 Beta Fund4\r\n", "12 Alpha", 0},
      {"another account's marker", "2;1;15 Beta Fund7\r\n", "12 Alpha", 0},
      {"entry no longer offered", "2;1;19 Gamma4\r\n", "12 Alpha", 0},
      {"entry without its marker", "2;1;15 Beta Fund\r\n", "12 Alpha", 0},
      {"login record only", "1;1;ann@example.com\r\n", "12 Alpha", 0},
      {"first record of the account wins", "2;1;15 Beta Fund4\r\n2;1;12 Alpha4\r\n", "15 Beta Fund",
       1},
      {"first record of the account clear", "2;0;15 Beta Fund4\r\n2;1;15 Beta Fund4\r\n",
       "12 Alpha", 0},
      {"other account first", "2;1;12 Alpha7\r\n2;1;15 Beta Fund4\r\n", "15 Beta Fund", 1},
      {"no file", "", "12 Alpha", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AppHarness h;
    if (!c.records.empty()) h.write_data(kSavedLogins, c.records);
    h.log_in(kTwoSystems);
    ASSERT_TRUE(h.session().selection.open);
    EXPECT_EQ(h.session().selection.controls.cmbsystem_text, c.shown);
    EXPECT_EQ(h.session().selection.controls.chksys, c.chksys);
  }
}

TEST_F(SelectionLoad, MarkerIsTheLastCharacterOfTheUserId) {
  h.write_data(kSavedLogins, "2;1;15 Beta Fund7\r\n");
  log_in("-7;12;Alpha;15;Beta Fund");
  EXPECT_EQ(session().chkmark, "7");
  EXPECT_EQ(session().selection.controls.cmbsystem_text, "15 Beta Fund");
  EXPECT_EQ(session().selection.controls.chksys, 1);
}

TEST_F(SelectionLoad, ShortRecordIsNeverTakenForASelectionRecord) {
  // The login record's split leaves kind "1"; a stale "2" would come only from
  // an earlier split, so make one and check a short record is not matched on it.
  session().recKind = "2";
  session().recFlag = "1";
  session().recText = "15 Beta Fund4";
  h.write_data(kSavedLogins, "x\r\n");
  log_in(kTwoSystems);
  EXPECT_EQ(session().selection.controls.cmbsystem_text, "12 Alpha");
  EXPECT_EQ(session().selection.controls.chksys, 0);
}

}  // namespace
}  // namespace lumari::test
