// The reconciliation pass on the cases that pin down its results, run on the
// core's indexed pass and on the reference model alike.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "pass_runner.h"

namespace lumari::test {
namespace {

using Lines = std::vector<std::string>;

// A version of an order: the order key is the order's name followed by "1"; the
// stamp is 2026-12-05 at the given time, with the two characters the service
// puts after it.
std::string version(std::string_view order, std::string_view hhmm, std::string_view carried = "b") {
  return "m=2026.12.05 " + std::string(hhmm) + "00," + std::string(carried) +
         ",c=" + std::string(order) + ",d,e,f,g,h,i,j,k=1";
}

// An answer as the service sends it after the first of the run: one character in
// front of every line, each line ended by ";".
std::string answer(const Lines& lines) {
  std::string text;
  for (const auto& line : lines) text += "\n" + line + ";";
  return text;
}

struct PassImpl {
  const char* name;
  PassFn run;
};

void PrintTo(const PassImpl& impl, std::ostream* out) { *out << impl.name; }

class Reconcile : public ::testing::TestWithParam<PassImpl> {
 protected:
  PassOutput run(std::string answer_text, const Lines& log, const Lines& current,
                 bool srvseen = true) {
    return GetParam().run(PassInput{std::move(answer_text), crlf(log), crlf(current), srvseen});
  }
  PassOutput run(const PassInput& input) { return GetParam().run(input); }
};

TEST_P(Reconcile, AnswerWithoutSeparatorStillRefillsTheCurrentList) {
  const Lines log = {version("A", "10:00"), version("B", "10:00")};
  const PassOutput out = run("\n" + version("C", "10:00"), log, {});
  EXPECT_EQ(lines_of(out.log), log);
  EXPECT_EQ(lines_of(out.current), log);
}

TEST_P(Reconcile, SameVersionTwiceInOneAnswerIsLoggedOnce) {
  const PassOutput out = run(answer({version("A", "10:00"), version("A", "10:00")}), {}, {});
  EXPECT_EQ(lines_of(out.log), Lines{version("A", "10:00")});
  EXPECT_EQ(lines_of(out.current), Lines{version("A", "10:00")});
}

TEST_P(Reconcile, KnownVersionWithOtherCarriedFieldsChangesNothing) {
  const Lines log = {version("A", "10:00"), version("B", "10:00")};
  const std::string same_version = " m = 2026.12.05 10:0000 , other , c=A ,D,E,F,G,H,I,J,  k=1 ";
  const PassOutput out = run(answer({same_version}), log, log);
  EXPECT_EQ(out.log, crlf(log));
  EXPECT_EQ(out.current, crlf(log));
}

TEST_P(Reconcile, LaterVersionIsLoggedAndReplacesTheCurrentLineAtTheEnd) {
  const Lines log = {version("A", "10:00"), version("B", "10:00")};
  const PassOutput out = run(answer({version("A", "11:00")}), log, log);
  EXPECT_EQ(lines_of(out.log),
            (Lines{version("A", "10:00"), version("B", "10:00"), version("A", "11:00")}));
  EXPECT_EQ(lines_of(out.current), (Lines{version("B", "10:00"), version("A", "11:00")}));
}

TEST_P(Reconcile, EarlierOrEqualNewVersionIsLoggedButNotCurrent) {
  const Lines log = {version("A", "10:00")};
  const PassOutput earlier = run(answer({version("A", "09:00")}), log, log);
  EXPECT_EQ(lines_of(earlier.log), (Lines{version("A", "10:00"), version("A", "09:00")}));
  EXPECT_EQ(lines_of(earlier.current), log);

  // Equal stamp, other val1 text: a new version, but not a later one.
  const std::string equal = "m=2026.12.05 10:00xy,b,c=A,d,e,f,g,h,i,j,k=1";
  const PassOutput same_time = run(answer({equal}), log, log);
  EXPECT_EQ(lines_of(same_time.log), (Lines{version("A", "10:00"), equal}));
  EXPECT_EQ(lines_of(same_time.current), log);
}

TEST_P(Reconcile, EmptyListGetsTheLastOfThreeRisingVersions) {
  const Lines log = {version("A", "10:00"), version("A", "11:00"), version("A", "12:00")};
  const PassOutput out = run("", log, {});
  EXPECT_EQ(lines_of(out.log), log);
  EXPECT_EQ(lines_of(out.current), Lines{version("A", "12:00")});
}

TEST_P(Reconcile, ReplacedOrdersFollowTheOnesKept) {
  const Lines current = {version("A", "10:00"), version("B", "10:00"), version("C", "10:00")};
  Lines log = current;
  log.push_back(version("A", "11:00"));
  log.push_back(version("B", "11:00"));
  const PassOutput out = run("", log, current);
  EXPECT_EQ(lines_of(out.current),
            (Lines{version("C", "10:00"), version("A", "11:00"), version("B", "11:00")}));
  EXPECT_EQ(lines_of(out.log), log);
}

TEST_P(Reconcile, VersionsAllEarlierOrEqualKeepTheLine) {
  const Lines current = {version("A", "12:00")};
  const Lines log = {version("A", "10:00"), version("A", "12:00"), version("A", "11:00"),
                     "m=2026.12.05 12:00zz,b,c=A,d,e,f,g,h,i,j,k=1"};
  const PassOutput out = run("", log, current);
  EXPECT_EQ(out.current, crlf(current));
}

TEST_P(Reconcile, LastLaterVersionInLogOrderWinsEvenIfNotTheLatest) {
  const Lines current = {version("A", "10:00")};
  const Lines log = {version("A", "10:00"), version("A", "12:00"), version("A", "11:00"),
                     version("A", "09:00")};
  const PassOutput out = run("", log, current);
  EXPECT_EQ(lines_of(out.current), Lines{version("A", "11:00")});
}

TEST_P(Reconcile, ReplacementLineIsCanonicalAndKeptLinesStayAsRead) {
  const Lines current = {" m=2026.12.05 10:0000 , b ,c=A,d,e,f,g,h,i,j,k=1",
                         " m=2026.12.05 10:0000 , b ,c=B,d,e,f,g,h,i,j,k=1"};
  const Lines log = {"m=2026.12.05 11:0000 ,  b b , c=A ,d,e,f,g,h,i,j,k=1 "};
  const PassOutput out = run("", log, current);
  EXPECT_EQ(lines_of(out.current),
            (Lines{current[1], "m=2026.12.05 11:0000,b b,c=A,d,e,f,g,h,i,j,k=1"}));
  EXPECT_EQ(lines_of(out.log), log);
}

// A line of order A whose field 1 is the given text.
std::string order_a(std::string_view field1) {
  return std::string(field1) + ",b,c=A,d,e,f,g,h,i,j,k=1";
}

// Stamps that do not read: such a version never replaces, and a current line
// with one ranks below every stamp that reads.
struct UnreadableStampCase {
  const char* name;
  Lines log;
  Lines current;
  Lines answer;  // versions new to the log, appended in this order
  Lines expected_current;
};

const UnreadableStampCase kUnreadableStampCases[] = {
    {"unreadable first version gives way to the readable second",
     {order_a("m=??"), order_a("m=2026.12.05 11:0000")},
     {},
     {},
     {order_a("m=2026.12.05 11:0000")}},
    {"unreadable current line takes the last readable version in log order",
     {order_a("m=x"), version("B", "10:00"), version("A", "10:00"), version("A", "12:00"),
      version("A", "11:00"), order_a("m=soon")},
     {order_a("m=x"), version("B", "10:00")},
     {version("A", "09:00"), order_a("m=2026.02.30 10:0000")},
     {version("B", "10:00"), version("A", "09:00")}},
    {"unreadable current lines, one too short to read, replaced in list order",
     {version("A", "10:00"), version("B", "10:00")},
     {order_a("m=soon"), "m=1,b,c=B,d,e,f,g,h,i,j,k=1"},
     {version("A", "11:00")},
     {version("A", "11:00"), version("B", "10:00")}},
    {"unreadable current line with only unreadable versions stays",
     {order_a("m=x"), order_a("m=soon")},
     {order_a("m=x")},
     {order_a("m=later"), order_a("m=2026.02.30 10:0000")},
     {order_a("m=x")}},
    {"readable current line stays before an unreadable later version",
     {version("A", "10:00"), order_a("m=2026.02.30 10:0000")},
     {version("A", "10:00")},
     {order_a("m=later")},
     {version("A", "10:00")}},
};

TEST_P(Reconcile, UnreadableStamps) {
  for (const auto& c : kUnreadableStampCases) {
    SCOPED_TRACE(c.name);
    const PassOutput out = run(answer(c.answer), c.log, c.current);
    Lines logged = c.log;
    logged.insert(logged.end(), c.answer.begin(), c.answer.end());
    EXPECT_EQ(lines_of(out.log), logged);
    EXPECT_EQ(lines_of(out.current), c.expected_current);
  }
}

TEST_P(Reconcile, ShortAnswerPiecesAreNotOrders) {
  // The first real line of the run still loses two characters.
  const PassOutput out = run(";x;;ab" + version("A", "10:00") + ";", {}, {}, false);
  EXPECT_EQ(lines_of(out.log), Lines{version("A", "10:00")});
  EXPECT_EQ(lines_of(out.current), Lines{version("A", "10:00")});
  EXPECT_TRUE(out.srvseen);

  const PassOutput only_short = run(";x;;", {}, {}, false);
  EXPECT_EQ(only_short.log, "");
  EXPECT_EQ(only_short.current, "");
  EXPECT_FALSE(only_short.srvseen);
}

TEST_P(Reconcile, PieceWhoseLogLineWouldHoldALineBreakIsNotAnOrder) {
  const std::string broken_inside = "m=2026.12.05 10:0000,b\r\nx,c=A,d,e,f,g,h,i,j,k=1";
  const std::string broken_at_end = "m=2026.12.05 10:0000,b,c=B,d,e,f,g,h,i,j,k=1\r";
  const PassOutput out = run(answer({broken_inside, broken_at_end, version("C", "10:00")}), {}, {});
  EXPECT_EQ(lines_of(out.log), Lines{version("C", "10:00")});
  EXPECT_EQ(lines_of(out.current), Lines{version("C", "10:00")});
}

TEST_P(Reconcile, VersionIsKnownAgainAfterTheLogIsReadBack) {
  // The first-letter rule takes "k" off field 1 but not off its value: the log
  // holds value "v" where the server line had "kv".
  const std::string server_line = "kv,b,c=A,d,e,f,g,h,i,j,k=1";
  const PassOutput first = run(answer({server_line}), {}, {});
  EXPECT_EQ(lines_of(first.log), Lines{"v,b,c=A,d,e,f,g,h,i,j,k=1"});
  const PassOutput second = run(PassInput{answer({server_line}), first.log, first.current, true});
  EXPECT_EQ(second.log, first.log);
  EXPECT_EQ(second.current, first.current);
}

TEST_P(Reconcile, WrittenFilesReadBackToTheSameResult) {
  const Lines log = {version("A", "10:00"), version("B", "10:00")};
  const PassOutput first =
      run(answer({version("A", "11:00"), version("C", "09:00")}), log, {version("B", "10:00")});
  const PassOutput again = run(PassInput{"", first.log, first.current, true});
  EXPECT_EQ(again.log, first.log);
  EXPECT_EQ(again.current, first.current);
}

TEST_P(Reconcile, KeysThatConcatenateAlikeAreOneOrder) {
  const std::string x = "m=2026.12.05 10:0000,b,c=12,d,e,f,g,h,i,j,k=3";
  const std::string y = "m=2026.12.05 11:0000,b,c=1,d,e,f,g,h,i,j,k=23";
  const PassOutput out = run(answer({y}), {x}, {x});
  EXPECT_EQ(lines_of(out.log), (Lines{x, y}));
  EXPECT_EQ(lines_of(out.current), Lines{y});
}

TEST_P(Reconcile, OrdersNoLongerSentStayInBothFiles) {
  const Lines log = {version("A", "10:00"), version("B", "10:00")};
  const PassOutput out = run(answer({version("C", "10:00")}), log, log);
  const Lines all = {version("A", "10:00"), version("B", "10:00"), version("C", "10:00")};
  EXPECT_EQ(lines_of(out.log), all);
  EXPECT_EQ(lines_of(out.current), all);
}

TEST_P(Reconcile, MissingOrdersEnterWithTheirFirstVersionInLogOrder) {
  const Lines log = {version("A", "10:00"), version("B", "10:00"), version("A", "11:00")};
  const PassOutput out = run("", log, {});
  EXPECT_EQ(lines_of(out.current), (Lines{version("B", "10:00"), version("A", "11:00")}));
}

TEST_P(Reconcile, EachLineOfARepeatedOrderIsExaminedOnItsOwn) {
  const Lines current = {version("A", "10:00"), version("A", "12:00")};
  const Lines log = {version("A", "11:00")};
  const PassOutput out = run("", log, current);
  EXPECT_EQ(lines_of(out.current), (Lines{version("A", "12:00"), version("A", "11:00")}));
}

TEST_P(Reconcile, NewOrderFromTheAnswerEntersBothFiles) {
  const PassOutput out = run(answer({version("A", "10:00"), version("A", "11:00")}), {}, {});
  EXPECT_EQ(lines_of(out.log), (Lines{version("A", "10:00"), version("A", "11:00")}));
  EXPECT_EQ(lines_of(out.current), Lines{version("A", "11:00")});
}

TEST_P(Reconcile, ServerLinesAreLoggedInTheirCanonicalForm) {
  const PassOutput out =
      run("\r\n  M=2026.12.05 10:0000 , b ,c=A;\n?m=2026.12.05 11:0000,b,c=B,d,e,f,g,h,i,j,k=1;",
          {}, {}, false);
  EXPECT_EQ(lines_of(out.log), (Lines{"M=2026.12.05 10:0000,b,c=A,c=A,c=A,c=A,c=A,c=A,c=A,c=A,c=A",
                                      "m=2026.12.05 11:0000,b,c=B,d,e,f,g,h,i,j,k=1"}));
}

INSTANTIATE_TEST_SUITE_P(Indexed, Reconcile,
                         ::testing::Values(PassImpl{"indexed pass", &run_indexed_pass}));
INSTANTIATE_TEST_SUITE_P(Reference, Reconcile,
                         ::testing::Values(PassImpl{"reference model", &run_reference_pass}));

// Far more lines than a 16-bit count could hold; only the indexed pass, as the
// reference model would need minutes for it.
TEST(ReconcileSize, ListsGrowPastThirtyTwoThousandLines) {
  constexpr int kOrders = 40000;
  std::string log;
  for (int i = 0; i < kOrders; ++i) log += version("o" + std::to_string(i), "10:00") + "\r\n";
  const PassOutput out = run_indexed_pass(
      PassInput{answer({version("o39999", "11:00"), version("new", "10:00")}), log, "", true});
  const Lines logged = lines_of(out.log);
  const Lines current = lines_of(out.current);
  ASSERT_EQ(logged.size(), kOrders + 2u);
  EXPECT_EQ(logged.back(), version("new", "10:00"));
  ASSERT_EQ(current.size(), kOrders + 1u);
  EXPECT_EQ(current[kOrders - 2], version("o39998", "10:00"));
  EXPECT_EQ(current[kOrders - 1], version("new", "10:00"));
  EXPECT_EQ(current[kOrders], version("o39999", "11:00"));
}

}  // namespace
}  // namespace lumari::test
