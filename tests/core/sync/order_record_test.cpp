// Parsing of order lines into records, and the keys and canonical line derived
// from a record.
#include "sync/order_record.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <string_view>

namespace lumari::test {
namespace {

using core::OrderRecord;

struct Expected {
  std::array<std::string_view, 11> fld;
  std::string_view val1, val3, val11;
};

constexpr Expected kBlank{{" ", " ", " ", " ", " ", " ", " ", " ", " ", " ", " "}, " ", " ", " "};

void expect_record(const OrderRecord& record, const Expected& expected, std::string_view line) {
  for (std::size_t i = 0; i < 11; ++i) {
    EXPECT_EQ(record.fld[i], expected.fld[i]) << "field " << i + 1 << " of \"" << line << '"';
  }
  EXPECT_EQ(record.val1, expected.val1) << '"' << line << '"';
  EXPECT_EQ(record.val3, expected.val3) << '"' << line << '"';
  EXPECT_EQ(record.val11, expected.val11) << '"' << line << '"';
}

struct LineCase {
  std::string_view line;
  Expected expected;
};

// Log and order lines are read alike: nothing dropped, no first-letter rule.
const LineCase kLogLineCases[] = {
    {"a=1,b,c=2,d,e,f,g,h,i,j,k=3",
     {{"a=1", "b", "c=2", "d", "e", "f", "g", "h", "i", "j", "k=3"}, "1", "2", "3"}},
    // Fewer than eleven fields: the last one present fills the rest.
    {"a=1,b,c=2",
     {{"a=1", "b", "c=2", "c=2", "c=2", "c=2", "c=2", "c=2", "c=2", "c=2", "c=2"}, "1", "2", "2"}},
    // A line without any comma is every field.
    {"ab", {{"ab", "ab", "ab", "ab", "ab", "ab", "ab", "ab", "ab", "ab", "ab"}, "ab", "ab", "ab"}},
    // Thirteen parts: field 11 keeps the last three with their commas.
    {"a=1,b,c=2,d,e,f,g,h,i,j,k=3,l=4,n=5",
     {{"a=1", "b", "c=2", "d", "e", "f", "g", "h", "i", "j", "k=3,l=4,n=5"},
      "1",
      "2",
      "3,l=4,n=5"}},
    {"a=1,b,c=2,d,e,f,g,h,i,j,k,l=4",
     {{"a=1", "b", "c=2", "d", "e", "f", "g", "h", "i", "j", "k,l=4"}, "1", "2", "4"}},
    // Spaces around fields and around "=" go; the field keeps inner spaces.
    {"  k = v , b b ,  c = 2 ,d,e,f,g,h,i,j,  k = v  ",
     {{"k = v", "b b", "c = 2", "d", "e", "f", "g", "h", "i", "j", "k = v"}, "v", "2", "v"}},
    // "k=" has an empty value; "kv" without "=" is its own value.
    {"m=,b,c=,d,e,f,g,h,i,j,k=",
     {{"m=", "b", "c=", "d", "e", "f", "g", "h", "i", "j", "k="}, "", "", ""}},
    {"kv,b,kv3,d,e,f,g,h,i,j,kv11",
     {{"kv", "b", "kv3", "d", "e", "f", "g", "h", "i", "j", "kv11"}, "kv", "kv3", "kv11"}},
    // Only the first "=" separates.
    {"m=a=b,b,c==2,d,e,f,g,h,i,j,k=3=4",
     {{"m=a=b", "b", "c==2", "d", "e", "f", "g", "h", "i", "j", "k=3=4"}, "a=b", "=2", "3=4"}},
    // Tabs and line breaks are not spaces.
    {"\tm=1\t,b,c=\r2,d,e,f,g,h,i,j,k=3\n",
     {{"\tm=1\t", "b", "c=\r2", "d", "e", "f", "g", "h", "i", "j", "k=3\n"}, "1\t", "\r2", "3\n"}},
    // Empty fields.
    {",,,,,,,,,,", {{"", "", "", "", "", "", "", "", "", "", ""}, "", "", ""}},
    {",b,c=2,d,e,f,g,h,i,j,",
     {{"", "b", "c=2", "d", "e", "f", "g", "h", "i", "j", ""}, "", "2", ""}},
    {"   ", {{"", "", "", "", "", "", "", "", "", "", ""}, "", "", ""}},
    // A first letter other than "m" stays on log lines.
    {"xm=1,b,c=2,d,e,f,g,h,i,j,k=3",
     {{"xm=1", "b", "c=2", "d", "e", "f", "g", "h", "i", "j", "k=3"}, "1", "2", "3"}},
    // Nothing of the line is dropped in front of field 1.
    {"a,b", {{"a", "b", "b", "b", "b", "b", "b", "b", "b", "b", "b"}, "a", "b", "b"}},
    {"", kBlank},
    {"x", kBlank},
    {" ", kBlank},
};

TEST(ParseLogLine, ReadsElevenFieldsAndThreeValues) {
  for (const auto& c : kLogLineCases) {
    expect_record(core::ParseLogLine(c.line), c.expected, c.line);
    // The values alone, as the pass takes them from most log lines.
    const core::LineKeys keys = core::log_line_keys(c.line);
    EXPECT_EQ(keys.val1, c.expected.val1) << '"' << c.line << '"';
    EXPECT_EQ(keys.val3, c.expected.val3) << '"' << c.line << '"';
    EXPECT_EQ(keys.val11, c.expected.val11) << '"' << c.line << '"';
  }
}

TEST(ParseOrderLine, ReadsLikeALogLine) {
  for (const auto& c : kLogLineCases) {
    expect_record(core::ParseOrderLine(c.line), c.expected, c.line);
  }
}

struct ServerCase {
  bool srvseen_before;
  std::string_view line;
  Expected expected;
  bool srvseen_after;
};

const ServerCase kServerLineCases[] = {
    // The first server line of the run loses two characters, later ones one.
    {false,
     "xym=1,b,c=2,d,e,f,g,h,i,j,k=3",
     {{"m=1", "b", "c=2", "d", "e", "f", "g", "h", "i", "j", "k=3"}, "1", "2", "3"},
     true},
    // The same text later keeps "y"; the first-letter rule then removes it.
    {true,
     "xym=1,b,c=2,d,e,f,g,h,i,j,k=3",
     {{"m=1", "b", "c=2", "d", "e", "f", "g", "h", "i", "j", "k=3"}, "1", "2", "3"},
     true},
    {true,
     "xm=1,b,c=2,d,e,f,g,h,i,j,k=3",
     {{"m=1", "b", "c=2", "d", "e", "f", "g", "h", "i", "j", "k=3"}, "1", "2", "3"},
     true},
    {true,
     "xM=1,b,c=2,d,e,f,g,h,i,j,k=3",
     {{"M=1", "b", "c=2", "d", "e", "f", "g", "h", "i", "j", "k=3"}, "1", "2", "3"},
     true},
    // Any other first letter goes, "n" and "N" included; val1 was taken before.
    {true,
     "xn=1,b,c=2,d,e,f,g,h,i,j,k=3",
     {{"=1", "b", "c=2", "d", "e", "f", "g", "h", "i", "j", "k=3"}, "1", "2", "3"},
     true},
    {true,
     "xN=1,b,c=2,d,e,f,g,h,i,j,k=3",
     {{"=1", "b", "c=2", "d", "e", "f", "g", "h", "i", "j", "k=3"}, "1", "2", "3"},
     true},
    {true,
     "xkv,b,c=2,d,e,f,g,h,i,j,k=3",
     {{"v", "b", "c=2", "d", "e", "f", "g", "h", "i", "j", "k=3"}, "kv", "2", "3"},
     true},
    // Trimmed after the drop, not again after the first-letter rule.
    {false,
     "xy  m=1 ,b,c=2,d,e,f,g,h,i,j,k=3",
     {{"m=1", "b", "c=2", "d", "e", "f", "g", "h", "i", "j", "k=3"}, "1", "2", "3"},
     true},
    {true,
     "xz m=1,b,c=2,d,e,f,g,h,i,j,k=3",
     {{" m=1", "b", "c=2", "d", "e", "f", "g", "h", "i", "j", "k=3"}, "1", "2", "3"},
     true},
    // A first "," among the dropped characters leaves field 1 empty.
    {true,
     ",m=1,c=2,d,e,f,g,h,i,j,k=3",
     {{"", "m=1", "c=2", "d", "e", "f", "g", "h", "i", "j", "k=3"}, "", "2", "3"},
     true},
    {false,
     "x,m=1,c=2,d,e,f,g,h,i,j,k=3",
     {{"", "m=1", "c=2", "d", "e", "f", "g", "h", "i", "j", "k=3"}, "", "2", "3"},
     true},
    {false,
     "ab",
     {{"", "ab", "ab", "ab", "ab", "ab", "ab", "ab", "ab", "ab", "ab"}, "", "ab", "ab"},
     true},
    // Without a comma the later fields get the whole line, dropped characters too.
    {false,
     "xym=1",
     {{"m=1", "xym=1", "xym=1", "xym=1", "xym=1", "xym=1", "xym=1", "xym=1", "xym=1", "xym=1",
       "xym=1"},
      "1",
      "1",
      "1"},
     true},
    // Short lines are blank records and leave the run's flag alone.
    {false, "", kBlank, false},
    {false, "x", kBlank, false},
    {true, "x", kBlank, true},
};

TEST(ParseServerLine, DropsLeadingCharactersAndAppliesFirstLetterRule) {
  for (const auto& c : kServerLineCases) {
    bool srvseen = c.srvseen_before;
    expect_record(core::ParseServerLine(c.line, srvseen), c.expected, c.line);
    EXPECT_EQ(srvseen, c.srvseen_after) << '"' << c.line << '"';
  }
}

TEST(ParseServerLine, OnlyTheFirstLineOfTheRunLosesTwoCharacters) {
  bool srvseen = false;
  const std::string line = "\r\nm=1,b,c=2,d,e,f,g,h,i,j,k=3";
  EXPECT_EQ(core::ParseServerLine(line, srvseen).fld[0], "m=1");
  EXPECT_TRUE(srvseen);
  // Later lines of the same answer and of later answers lose one.
  EXPECT_EQ(core::ParseServerLine("\nm=2,b,c=2,d,e,f,g,h,i,j,k=3", srvseen).fld[0], "m=2");
  EXPECT_EQ(core::ParseServerLine("\nm=3,b,c=2,d,e,f,g,h,i,j,k=3", srvseen).val1, "3");
}

TEST(FieldValue, IsTheTrimmedTextAfterTheFirstEqualsSign) {
  const struct {
    std::string_view text, value;
  } cases[] = {
      {"k=v", "v"},     {" k = v ", "v"}, {"k=", ""},         {"k= ", ""}, {"kv", "kv"},
      {" kv ", "kv"},   {"", ""},         {"=", ""},          {"=v", "v"}, {"a=b=c", "b=c"},
      {"k=\tv", "\tv"}, {"k=v\r", "v\r"}, {"k = v w", "v w"},
  };
  for (const auto& c : cases) EXPECT_EQ(core::field_value(c.text), c.value) << '"' << c.text << '"';
}

TEST(OrderKey, IsValue3FollowedByValue11) {
  const auto record = core::ParseLogLine("a=1,b,c=2,d,e,f,g,h,i,j,k=3");
  EXPECT_EQ(core::order_key(record), "23");
  EXPECT_EQ(core::version_key(record), "231");
}

TEST(OrderKey, HalvesThatConcatenateAlikeAreOneOrder) {
  const auto x = core::ParseLogLine("m=1,b,c=12,d,e,f,g,h,i,j,k=3");
  const auto y = core::ParseLogLine("m=1,b,c=1,d,e,f,g,h,i,j,k=23");
  EXPECT_EQ(core::order_key(x), "123");
  EXPECT_EQ(core::order_key(x), core::order_key(y));
  EXPECT_EQ(core::version_key(x), core::version_key(y));
}

TEST(VersionKey, IgnoresSpacesAroundFieldsAndTheCarriedFields) {
  bool srvseen = true;
  const std::string log_line = "m=2026.12.05 14:03:0700,b,c=7,d,e,f,g,h,i,j,k=9";
  const std::string server_line = "x m = 2026.12.05 14:03:0700 ,B,  c=7 ,D,E,F,G,H,I,J, k=9 ";
  const auto log = core::ParseLogLine(log_line);
  const auto server = core::ParseServerLine(server_line, srvseen);
  EXPECT_EQ(core::version_key(log), core::version_key(server));
  EXPECT_EQ(core::version_key(log), "792026.12.05 14:03:0700");
}

TEST(VersionKey, ComparesExactlyWithCase) {
  const auto lower = core::ParseLogLine("m=1a,b,c=x,d,e,f,g,h,i,j,k=y");
  const auto upper = core::ParseLogLine("m=1A,b,c=x,d,e,f,g,h,i,j,k=y");
  EXPECT_EQ(core::order_key(lower), core::order_key(upper));
  EXPECT_NE(core::version_key(lower), core::version_key(upper));
}

TEST(CanonicalLine, JoinsTheTrimmedFieldsWithCommas) {
  bool srvseen = true;
  const struct {
    std::string_view line;
    bool server;
    std::string_view canonical;
  } cases[] = {
      {"a=1,b,c=2,d,e,f,g,h,i,j,k=3", false, "a=1,b,c=2,d,e,f,g,h,i,j,k=3"},
      {"a=1,b,c=2", false, "a=1,b,c=2,c=2,c=2,c=2,c=2,c=2,c=2,c=2,c=2"},
      {" a=1 , b ,c=2,d,e,f,g,h,i,j, k=3 ", false, "a=1,b,c=2,d,e,f,g,h,i,j,k=3"},
      {"a=1,b,c=2,d,e,f,g,h,i,j,k=3,l=4,n=5", false, "a=1,b,c=2,d,e,f,g,h,i,j,k=3,l=4,n=5"},
      {",,,,,,,,,,", false, ",,,,,,,,,,"},
      {"x", false, ",,,,,,,,,,"},
      // The first-letter rule can leave a space in front; the line has none.
      {"xz m=1,b,c=2,d,e,f,g,h,i,j,k=3", true, "m=1,b,c=2,d,e,f,g,h,i,j,k=3"},
      {"xkv,b,c=2,d,e,f,g,h,i,j,k=3", true, "v,b,c=2,d,e,f,g,h,i,j,k=3"},
      {"xM=1,b,c=2,d,e,f,g,h,i,j,k=3", true, "M=1,b,c=2,d,e,f,g,h,i,j,k=3"},
  };
  for (const auto& c : cases) {
    const auto record =
        c.server ? core::ParseServerLine(c.line, srvseen) : core::ParseLogLine(c.line);
    EXPECT_EQ(core::canonical_line(record), c.canonical) << '"' << c.line << '"';
  }
}

TEST(CanonicalLine, ReadsBackAsTheSameRecord) {
  const std::string_view lines[] = {"a=1,b,c=2,d,e,f,g,h,i,j,k=3", " a = 1 ,b ,c=2",
                                    "a=1,b,c=2,d,e,f,g,h,i,j,k=3,l=4,n=5", ",,,", "kv"};
  for (const auto line : lines) {
    const auto record = core::ParseLogLine(line);
    const std::string canonical = core::canonical_line(record);
    const auto again = core::ParseLogLine(canonical);
    EXPECT_EQ(core::canonical_line(again), canonical) << '"' << line << '"';
    EXPECT_EQ(core::version_key(again), core::version_key(record)) << '"' << line << '"';
  }
}

}  // namespace
}  // namespace lumari::test
