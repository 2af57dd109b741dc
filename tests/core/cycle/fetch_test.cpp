// One fetch cycle: the request it sends and what each kind of answer leads to.
// What an orders answer makes of the files is the differential test's
// (tests/core/sync), edits of the MT4 side between two cycles included.
#include "cycle_run.h"

namespace lumari::test {
namespace {

using core::AnswerKind;

TEST(Request, CarriesTheLoginsSystemUserAndMachineEncodedOnOneClient) {
  CycleRun run;
  run.h.adapters.list = adapters_of("1 1 6=001A2B3C4D5E");
  run.h.log_in("1234;11;Alpha");
  run.tick("\r\nXXX");
  core::Session& s = run.h.session();
  s.systemid = "a&b=c", s.login.username = "-7 x", s.loginid = "2 Adapter(s):\r\n";
  run.tick("!refused");
  std::vector<std::string> polls = run.h.web.requested;
  std::erase_if(polls, [](const std::string& url) { return url_path(url) != "/GetTD.do"; });
  EXPECT_EQ(listed(polls),
            "http://service.test/GetTD.do?systemid=11&userid=1234&loginid=00-1A-2B-3C-4D-5E|"
            "http://service.test/GetTD.do?systemid=a%26b%3Dc&userid=-7%20x"
            "&loginid=2%20Adapter%28s%29%3A%0D%0A|");
  EXPECT_EQ(run.h.web.clients_made, 2);  // the login's and the cycles'
}

// The markers are exact and stand at their positions: "XXX" idle and "YYY" a
// forced logout at the third character, "<html>" an error page at the first.
struct AnswerRow : NamedRow {
  std::string answer;
  AnswerKind kind;
};
class Answer : public ::testing::TestWithParam<AnswerRow> {};

TEST_P(Answer, OnlyOrdersReachTheFilesOnlyALogoutShowsAMessage) {
  const AnswerRow& row = GetParam();
  CycleRun run;
  run.h.log_in("1234;11;Alpha");
  run.h.session().swlogout = 1;
  int in_box = -1;
  run.h.ui.while_message_open = [&](const ShownMessage&) { in_box = run.h.session().swlogout; };
  (void)run.ops();
  run.h.web.answer("/GetTD.do", reply(row.answer));
  run.h.app->FetchTradeData();
  const bool logout = row.kind == AnswerKind::ForcedLogout;
  EXPECT_EQ(run.cycle().kind, row.kind);
  EXPECT_EQ(!run.ops().empty(), row.kind == AnswerKind::Orders);
  // Each cycle lowers the logout flag first; a logout raises it once its message is closed.
  EXPECT_EQ(run.h.session().swlogout, logout ? 1 : 0);
  EXPECT_EQ(in_box, logout ? 0 : -1);
}

INSTANTIATE_TEST_SUITE_P(
    Markers, Answer,
    ::testing::Values(
        AnswerRow{"idle", "\r\nXXX", AnswerKind::Idle},
        AnswerRow{"idle_text_around", "abXXXcd;e", AnswerKind::Idle},
        AnswerRow{"idle_before_logout", "\r\nXXXYYY", AnswerKind::Idle},
        AnswerRow{"idle_in_a_tag", "<hXXX>", AnswerKind::Idle},
        AnswerRow{"idle_at_the_start", "XXX", AnswerKind::Orders},
        AnswerRow{"idle_mixed_case", "\r\nXxX", AnswerKind::Orders},
        AnswerRow{"idle_too_short", "\r\nXX", AnswerKind::Orders},
        AnswerRow{"logout", "\r\nYYY", AnswerKind::ForcedLogout},
        AnswerRow{"logout_before_a_page", "abYYY<html>", AnswerKind::ForcedLogout},
        AnswerRow{"logout_in_a_tag", "<hYYYtml>", AnswerKind::ForcedLogout},
        AnswerRow{"logout_at_the_start", "YYY", AnswerKind::Orders},
        AnswerRow{"logout_lower_case", "\r\nyyy", AnswerKind::Orders},
        AnswerRow{"error_page", "<html>", AnswerKind::ErrorPage},
        AnswerRow{"error_page_whole", "<html><body>Error</body></html>", AnswerKind::ErrorPage},
        AnswerRow{"error_page_upper_case", "<HTML><body>Error</body></HTML>", AnswerKind::Orders},
        AnswerRow{"error_page_mixed_case", "<Html>", AnswerKind::Orders},
        AnswerRow{"error_page_after_a_blank", " <html>", AnswerKind::Orders},
        AnswerRow{"error_page_after_a_line_break", "\r\n<html>", AnswerKind::Orders},
        AnswerRow{"error_page_unclosed", "<html", AnswerKind::Orders},
        AnswerRow{"two_characters", "XX", AnswerKind::Orders},
        AnswerRow{"empty", "", AnswerKind::Orders},
        AnswerRow{"no_answer", "!timed out", AnswerKind::NoAnswer}),
    row_name<AnswerRow>);

}  // namespace
}  // namespace lumari::test
