// The fetcher window's ordered lists of lines.
#include "sync/line_list.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "text/line_file.h"

namespace lumari::test {
namespace {

std::vector<std::string> contents(const core::LineList& list) {
  return {list.lines().begin(), list.lines().end()};
}

TEST(LineList, AnswerPiecesEndAtEachSeparatorAndTheRestIsReturned) {
  const struct {
    std::string answer;
    std::vector<std::string> pieces;
    std::string rest;
  } cases[] = {
      {"a;b;c", {"a", "b"}, "c"},
      {"a;b;c;", {"a", "b", "c"}, ""},
      {"a;;b;", {"a", "", "b"}, ""},
      {";", {""}, ""},
      {"abc", {}, "abc"},
      {"", {}, ""},
      {" a ; b ;", {" a ", " b "}, ""},
      {"\r\na\r\n;\nb;", {"\r\na\r\n", "\nb"}, ""},
  };
  for (const auto& c : cases) {
    core::LineList list;
    EXPECT_EQ(list.append_pieces(c.answer, ';'), c.rest) << c.answer;
    EXPECT_EQ(contents(list), c.pieces) << c.answer;
  }
}

TEST(LineList, FileLinesEndAtAnyLineBreakAndShortOnesAreSkipped) {
  const struct {
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"ab\r\ncd\r\n", {"ab", "cd"}},
      {"ab\rcd\nef", {"ab", "cd", "ef"}},
      {"ab\r\n\r\nx\r\ncd\n\n", {"ab", "cd"}},
      {"x\r\n \r\n  \r\n", {"  "}},
      {"", {}},
      {"\r\n\r\n", {}},
      {"ab\n\rcd", {"ab", "cd"}},
  };
  for (const auto& c : cases) {
    core::LineList list;
    list.append_file_lines(c.bytes, 2);
    EXPECT_EQ(contents(list), c.lines) << c.bytes;
  }
}

// One byte at a time: a line ends at CR LF, a lone CR or a lone LF.
std::vector<std::string> naive_lines(std::string_view bytes, std::size_t min_length) {
  std::vector<std::string> lines;
  std::string line;
  bool open = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      if (line.size() >= min_length) lines.push_back(line);
      line.clear();
      open = false;
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      line += c;
      open = true;
    }
  }
  if (open && line.size() >= min_length) lines.push_back(line);
  return lines;
}

TEST(LineList, FileLinesAreFoundAsAByteAtATimeScanFindsThem) {
  // Random mixes of line ends, checked against the plainest possible splitter.
  std::mt19937 rng(7);
  const char alphabet[] = {'a', 'b', ' ', '\r', '\n'};
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(rng() % 40, 'a');
    for (auto& c : bytes) c = alphabet[rng() % std::size(alphabet)];
    for (const std::size_t min_length : {std::size_t{0}, std::size_t{2}}) {
      const std::vector<std::string> expected = naive_lines(bytes, min_length);
      core::LineList list;
      list.append_file_lines(bytes, min_length);
      ASSERT_EQ(contents(list), expected) << round;
    }
  }
}

TEST(LineList, LongFileWithCarriageReturnsOnlyIsSplitAtEach) {
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += "line\r";
  core::LineList list;
  list.append_file_lines(bytes, 2);
  EXPECT_EQ(list.size(), 200000u);
  EXPECT_EQ(list[199999], "line");
}

TEST(LineList, LinesStayValidWhileMoreAreAdded) {
  core::LineList list;
  list.append_file_lines("first line\r\n", 2);
  const std::string_view first = list[0];
  for (int i = 0; i < 1000; ++i) list.push_back("line " + std::to_string(i));
  EXPECT_EQ(first, "first line");
  EXPECT_EQ(list[0].data(), first.data());
  EXPECT_EQ(list.size(), 1001u);
  EXPECT_EQ(list[1000], "line 999");
}

TEST(LineList, RebuildKeepsChosenLinesInOrderThenAppends) {
  core::LineList list;
  list.append_file_lines("a0\r\na1\r\na2\r\na3\r\n", 2);
  list.rebuild({3, 0, 2}, {"n1", "n2"});
  EXPECT_EQ(contents(list), (std::vector<std::string>{"a3", "a0", "a2", "n1", "n2"}));
  EXPECT_EQ(list.to_crlf_text(), "a3\r\na0\r\na2\r\nn1\r\nn2\r\n");
}

TEST(LineList, ClearEmptiesTheList) {
  core::LineList list;
  list.append_file_lines("ab\r\n", 2);
  list.push_back("cd");
  list.clear();
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(list.to_crlf_text(), "");
}

}  // namespace
}  // namespace lumari::test
