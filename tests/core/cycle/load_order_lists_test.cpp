// The list loader: the answer cut into server lines, the exchange files read into
// the fetcher window's lists, and the files written back after the pass.
#include <gtest/gtest.h>

#include <functional>

#include "cycle_fixture.h"
#include "reference_model.h"
#include "support/printable.h"
#include "shell/app.h"

namespace lumari::test {
namespace {

using core::FileOp;

using LoadOrderLists = CycleTest;

std::vector<std::string> list_lines(const core::LineList& list) {
  return {list.lines().begin(), list.lines().end()};
}

TEST_F(LoadOrderLists, TextAfterTheLastSemicolonStaysInTddata) {
  log_in();
  tick_with(orders_answer({order("1", 1), order("2", 2), order("3", 3)}, false));
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1), order("2", 2)}));
  EXPECT_EQ(h.session().tddata, "\n" + order("3", 3));
}

TEST_F(LoadOrderLists, FinalSemicolonLoadsEveryLine) {
  log_in();
  tick_with(orders_answer({order("1", 1), order("2", 2), order("3", 3)}, true));
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1), order("2", 2), order("3", 3)}));
  EXPECT_EQ(h.session().tddata, "");
}

TEST_F(LoadOrderLists, AnswerWithoutSemicolonAddsNoServerLine) {
  h.write_exchange("Lumari.log", crlf({order("1", 1)}));
  log_in();
  tick_with("\r\n" + order("2", 2));
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1)}));
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("1", 1)}));
  EXPECT_EQ(h.session().tddata, "\r\n" + order("2", 2));
}

TEST_F(LoadOrderLists, EmptyPieceBetweenTwoSemicolonsIsNoOrder) {
  log_in();
  tick_with("\r\n" + order("1", 1) + ";;\n" + order("2", 2) + ";;");
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1), order("2", 2)}));
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("1", 1), order("2", 2)}));
  EXPECT_TRUE(h.app->last_cycle().saved);
}

TEST_F(LoadOrderLists, ListsAreEmptyBetweenCycles) {
  log_in();
  tick_with(orders_answer({order("1", 1), order("2", 2)}));
  EXPECT_TRUE(h.session().fetcher.listData.empty());
  EXPECT_TRUE(h.session().fetcher.lumarilog.empty());
  EXPECT_TRUE(h.session().fetcher.ServerOrd.empty());
}

TEST_F(LoadOrderLists, LinesOfNoneOrOneCharacterInTheFilesAreDropped) {
  log_in();
  h.write_exchange("Lumari.log",
                   "x\r\n" + order("1", 1) + "\r\n\r\n \r\n" + order("2", 2) + "\r\nz");
  h.write_exchange("ServerOrder.log", "\r\n" + order("1", 1) + "\r\ny\r\n");
  tick_with("");
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1), order("2", 2)}));
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("1", 1), order("2", 2)}));
}

TEST_F(LoadOrderLists, EveryKindOfLineEndIsReadAndCrLfIsWritten) {
  const struct {
    std::string file, written;
  } cases[] = {
      {order("1", 1) + "\r\n" + order("2", 2) + "\r\n", crlf({order("1", 1), order("2", 2)})},
      {order("1", 1) + "\r" + order("2", 2), crlf({order("1", 1), order("2", 2)})},
      {order("1", 1) + "\n" + order("2", 2) + "\n", crlf({order("1", 1), order("2", 2)})},
      {order("1", 1) + "\n\r" + order("2", 2) + "\r\r", crlf({order("1", 1), order("2", 2)})},
      {"", ""},
  };
  log_in();
  for (const auto& c : cases) {
    h.write_exchange("Lumari.log", c.file);
    tick_with("");
    EXPECT_EQ(h.exchange("Lumari.log"), c.written);
  }
}

TEST_F(LoadOrderLists, MissingFilesAreEmptyAndThePassCreatesBoth) {
  log_in();
  std::filesystem::remove(std::filesystem::path(h.exchange_folder) / "ServerOrder.log");
  ASSERT_EQ(folder_listing(h.exchange_folder), "");
  tick_with(orders_answer({order("1", 1)}));
  EXPECT_EQ(folder_listing(h.exchange_folder), "Lumari.log ServerOrder.log");
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1)}));
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("1", 1)}));
  EXPECT_TRUE(h.app->last_cycle().saved);
}

TEST_F(LoadOrderLists, LinesWrittenReadBackIdentically) {
  // A line as another program may have written it: blanks around fields, 8-bit text.
  const std::string odd =
      " m=2026.12.05 14:01:0000 , EUR\xE4USD ,t=9 ,buy,0.10,1.1,0,0,open,x , s=7 ";
  log_in();
  h.write_exchange("Lumari.log", crlf({odd, order("1", 2)}));
  tick_with(orders_answer({order("2", 3)}));
  const std::string log = h.exchange("Lumari.log");
  const std::string current = h.exchange("ServerOrder.log");
  EXPECT_EQ(log, crlf({odd, order("1", 2), order("2", 3)}));
  EXPECT_EQ(current, crlf({"m=2026.12.05 14:01:0000,EUR\xE4USD,t=9,buy,0.10,1.1,0,0,open,x,s=7",
                           order("1", 2), order("2", 3)}));

  tick_with("");
  tick_with(orders_answer({order("2", 3), order("1", 2)}));
  EXPECT_EQ(h.exchange("Lumari.log"), log);
  EXPECT_EQ(h.exchange("ServerOrder.log"), current);
  EXPECT_EQ(h.app->last_cycle().new_versions, 0u);
}

TEST_F(LoadOrderLists, SystemOrderFileIsReadEachCycleButNeverWritten) {
  log_in();
  h.write_exchange("SystemOrder.log", "s1,a\r\nq\r\ns2,b\r\n");
  for (int cycle = 0; cycle < 3; ++cycle) {
    tick_with(orders_answer({order("1", 1 + cycle)}));
    // Emptied before each load, so it does not grow from cycle to cycle.
    EXPECT_EQ(list_lines(h.session().fetcher.sysord), (std::vector<std::string>{"s1,a", "s2,b"}));
  }
  const auto files = take_exchange_calls();
  EXPECT_TRUE(has_call(files, FileOp::Read, "SystemOrder.log"));
  for (const auto& call : files) {
    if (call.op == FileOp::Read) continue;
    EXPECT_EQ(call.name.find("SystemOrder"), std::string::npos) << ::testing::PrintToString(call);
  }
  EXPECT_EQ(h.exchange("SystemOrder.log"), "s1,a\r\nq\r\ns2,b\r\n");
  EXPECT_EQ(folder_listing(h.exchange_folder), "Lumari.log ServerOrder.log SystemOrder.log");
}

TEST_F(LoadOrderLists, EachFileIsReadAndWrittenUnderOneSpelling) {
  log_in();
  tick_with(orders_answer({order("1", 1)}));
  const std::vector<FileCall> expected = {
      {FileOp::Read, "Lumari.log"},        {FileOp::Read, "SystemOrder.log"},
      {FileOp::Read, "ServerOrder.log"},   {FileOp::Write, "ServerOrder.log.tmp"},
      {FileOp::Rename, "ServerOrder.log"}, {FileOp::Write, "Lumari.log.tmp"},
      {FileOp::Rename, "Lumari.log"},
  };
  EXPECT_EQ(take_exchange_calls(), expected);
  EXPECT_EQ(folder_listing(h.exchange_folder), "Lumari.log ServerOrder.log");

  // An answer of versions already logged leaves both files as they are: they
  // are read, and nothing is written.
  tick_with(orders_answer({order("1", 1)}));
  const std::vector<FileCall> reads_only = {
      {FileOp::Read, "Lumari.log"},
      {FileOp::Read, "SystemOrder.log"},
      {FileOp::Read, "ServerOrder.log"},
  };
  EXPECT_EQ(take_exchange_calls(), reads_only);
  EXPECT_TRUE(h.app->last_cycle().saved);
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1)}));
}

// The cycle keeps what its last pass wrote; whatever the MT4 side does to either
// file before the next tick, that tick merges as a pass over the files as they
// then are would.
TEST_F(LoadOrderLists, FilesEditedBetweenTwoTicksAreMergedAsAFullPassWould) {
  const auto replaced = [](std::string from, std::string to) {
    return [from, to](std::string bytes) {
      const std::size_t at = bytes.find(from);
      return at == std::string::npos ? bytes : bytes.replace(at, from.size(), to);
    };
  };
  const auto appended = [](std::string line) {
    return [line](std::string bytes) { return bytes + line + "\r\n"; };
  };
  const auto first_line_removed = [](std::string bytes) {
    return bytes.substr(bytes.find("\r\n") + 2);
  };
  const struct {
    const char* name;
    const char* file;
    std::function<std::string(std::string)> edit;
  } cases[] = {
      {"nothing changed", "Lumari.log", [](std::string bytes) { return bytes; }},
      {"a later version appended to the log", "Lumari.log", appended(order("2", 9))},
      {"the log's first line removed", "Lumari.log", first_line_removed},
      {"a stamp in the log changed, same length", "Lumari.log", replaced("14:05", "14:08")},
      {"a carried field in the log changed, same length", "Lumari.log",
       replaced("EURUSD", "EURUSX")},
      {"a line break in the log changed, same length", "Lumari.log", replaced("\r\n", "\n\n")},
      {"an order appended to the current file", "ServerOrder.log", appended(order("4", 1))},
      {"the current file's first line removed", "ServerOrder.log", first_line_removed},
      {"a stamp in the current file changed, same length", "ServerOrder.log",
       replaced("14:07", "14:01")},
      {"the current file emptied", "ServerOrder.log", [](std::string) { return std::string(); }},
  };
  log_in();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    h.write_exchange("Lumari.log", crlf({order("1", 1), order("2", 5), order("1", 3)}));
    h.write_exchange("ServerOrder.log", crlf({order("2", 5)}));
    tick_with(orders_answer({order("1", 7), order("3", 2)}));
    ASSERT_TRUE(h.app->last_cycle().saved);

    h.write_exchange(c.file, c.edit(h.exchange(c.file)));
    PassInput input{orders_answer({order("3", 2), order("2", 6), order("1", 7)}),
                    h.exchange("Lumari.log"), h.exchange("ServerOrder.log"), true};
    tick_with(input.answer);
    const PassOutput expected = run_reference_pass(input);
    EXPECT_EQ(printable(h.exchange("Lumari.log")), printable(expected.log));
    EXPECT_EQ(printable(h.exchange("ServerOrder.log")), printable(expected.current));
  }
}

}  // namespace
}  // namespace lumari::test
