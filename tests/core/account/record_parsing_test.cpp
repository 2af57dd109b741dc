// The account's small parsers: saved-login records, systemp.dat lines, selection
// entries and the login answer.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "account/login_answer.h"
#include "account/saved_login.h"
#include "account/system_line.h"

namespace lumari::test {
namespace {

using core::SavedRecordFields;

TEST(ParseSavedRecord, SplitsKindFlagAndTextAtTheFirstTwoSemicolons) {
  const struct {
    std::string_view line, kind, flag, text;
  } cases[] = {
      {"1;1;ann@example.com", "1", "1", "ann@example.com"},
      {"1;0; ", "1", "0", " "},
      {"2;1;15 Beta Fund4", "2", "1", "15 Beta Fund4"},
      {"2;1;12 A;B C;7", "2", "1", "12 A;B C;7"},  // the text keeps later ";"
      {"1;x", "1", "x", "x"},                      // one ";": flag and text share the rest
      {"1;", "1", "", ""},
      {";1", "", "1", "1"},
      {"ab", "ab", "ab", "ab"},  // no ";": the whole line in all three
      {"hello world", "hello world", "hello world", "hello world"},
      {";;", "", "", ""},
      {";;;", "", "", ";"},
      {"1;;x", "1", "", "x"},
  };
  for (const auto& c : cases) {
    SavedRecordFields fields{"old kind", "old flag", "old text"};
    EXPECT_TRUE(core::ParseSavedRecord(c.line, fields)) << c.line;
    EXPECT_EQ(fields.kind, c.kind) << c.line;
    EXPECT_EQ(fields.flag, c.flag) << c.line;
    EXPECT_EQ(fields.text, c.text) << c.line;
  }
}

TEST(ParseSavedRecord, LeavesFieldsAloneForRecordsOfZeroOrOneCharacter) {
  for (const std::string_view line : {"", "1", ";", "2", " "}) {
    SavedRecordFields fields{"1", "1", "kept@example.com"};
    EXPECT_FALSE(core::ParseSavedRecord(line, fields)) << '"' << line << '"';
    EXPECT_EQ(fields.kind, "1");
    EXPECT_EQ(fields.flag, "1");
    EXPECT_EQ(fields.text, "kept@example.com");
  }
}

TEST(SavedRecord, MarkerIsTheLastCharacterOfTheText) {
  const struct {
    std::string_view text, entry, marker;
  } cases[] = {
      {"15 Beta Fund4", "15 Beta Fund", "4"},
      {"12 Alpha7", "12 Alpha", "7"},
      {"4", "", "4"},
      {"", "", ""},
      {"12 Alpha", "12 Alph", "a"},
  };
  for (const auto& c : cases) {
    const auto split = core::split_marker(c.text);
    EXPECT_EQ(split.entry, c.entry) << c.text;
    EXPECT_EQ(split.marker, c.marker) << c.text;
  }
}

TEST(SavedRecord, LoginRecordIsKindFlagAndText) {
  EXPECT_EQ(core::login_record(1, "ann@example.com"), "1;1;ann@example.com");
  EXPECT_EQ(core::login_record(0, " "), "1;0; ");
}

TEST(SavedRecord, CheckValueIsOneOnlyForAFlagReadingAsOne) {
  const struct {
    std::string_view flag;
    int value;
  } cases[] = {
      {"1", 1},  {"0", 0},    {"", 0},    {"yes", 0},   {"x1", 0},  {" 1 ", 1},
      {"01", 1}, {"1abc", 1}, {"1.4", 1}, {"0.6", 1},   {"0.5", 0}, {"1.5", 0},
      {"2", 0},  {"-1", 0},   {"1e0", 1}, {"1e400", 0}, {"\t1", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(core::check_value_of(c.flag), c.value) << c.flag;
}

TEST(SplitSystemLine, IdBeforeTheFirstSemicolonNameAfterIt) {
  const struct {
    std::string_view line, id, name;
  } cases[] = {
      {"12;Alpha", "12", "Alpha"},
      {"15;Beta Fund", "15", "Beta Fund"},
      {"12;Alpha;Plus", "12", "Alpha;Plus"},
      {"12;", "12", ""},
      {";Alpha", "", "Alpha"},
      {";", "", ""},
      {"12", "12", ""},  // no ";": an id with an empty name
      {"", "", ""},
  };
  for (const auto& c : cases) {
    std::string id = "stale id";
    std::string name = "stale name";
    core::SplitSystemLine(c.line, id, name);
    EXPECT_EQ(id, c.id) << c.line;
    EXPECT_EQ(name, c.name) << c.line;
  }
}

TEST(SelectionEntry, SystemIdIsTheTextBeforeTheFirstBlank) {
  const struct {
    std::string_view entry, id;
  } cases[] = {
      {"12 Alpha", "12"}, {"15 Beta Fund", "15"}, {"12  Alpha", "12"}, {"15", "15"},
      {"", ""},           {" Alpha", ""},         {"12 ", "12"},
  };
  for (const auto& c : cases) EXPECT_EQ(core::system_id_of_entry(c.entry), c.id) << c.entry;
}

TEST(LoginAnswer, UserIdIsTheLeadingNumberBeforeTheFirstSemicolon) {
  const struct {
    std::string_view answer, id;
  } cases[] = {
      {"", "0"},
      {"1234", "0"},  // no ";" after the id
      {"<html><body>Not found</body></html>", "0"},
      {"<html>&nbsp;Error</html>", "0"},
      {"1234;", "1234"},
      {"1234;11;Alpha", "1234"},
      {"-7;11;Alpha", "-7"},
      {"abc;11;Alpha", "0"},
      {"0;11;Alpha", "0"},
      {"-0;11;Alpha", "0"},
      {"00042;11;Alpha", "42"},
      {"42abc;11;Alpha", "42"},
      {" 12 34 ;11", "1234"},
      {"+8;", "8"},
      {"1.5;", "1.5"},
      {"1e3;", "1000"},
      {"1e400;11;Alpha", "0"},  // too large to hold
      {"\t5;", "0"},            // only blanks are skipped
  };
  for (const auto& c : cases) EXPECT_EQ(core::user_id_of(c.answer), c.id) << c.answer;
}

TEST(LoginAnswer, SystemsAreTakenFromTheLeftAndTheRestIsKept) {
  using Systems = std::vector<std::pair<std::string, std::string>>;
  const struct {
    std::string_view rest;
    Systems systems;
    std::string_view left;
  } cases[] = {
      {"", {}, ""},
      {"11", {}, "11"},  // a trailing id without ";" is ignored
      {"11;", {{"11", ""}}, ""},
      {"11;Alpha", {{"11", "Alpha"}}, "Alpha"},
      {"11;Alpha;", {{"11", "Alpha"}}, ""},
      {"11;Alpha;12", {{"11", "Alpha"}}, "12"},
      {"11;Alpha;12;", {{"11", "Alpha"}, {"12", ""}}, ""},
      {"11;Alpha;12;Beta", {{"11", "Alpha"}, {"12", "Beta"}}, "Beta"},
      {"11;Alpha\r\n", {{"11", "Alpha\r\n"}}, "Alpha\r\n"},
      {"11;Beta Fund;15;A;B", {{"11", "Beta Fund"}, {"15", "A"}}, "B"},
      {";;", {{"", ""}}, ""},
  };
  for (const auto& c : cases) {
    std::string rest(c.rest);
    const auto taken = core::take_login_systems(rest);
    Systems systems;
    for (const auto& s : taken) systems.emplace_back(s.id, s.name);
    EXPECT_EQ(systems, c.systems) << c.rest;
    EXPECT_EQ(rest, c.left) << c.rest;
  }
}

}  // namespace
}  // namespace lumari::test
