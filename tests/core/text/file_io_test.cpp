#include "text/file_io.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "text/line_file.h"

namespace lumari::core {
namespace {

int g_syncs = 0;
bool g_sync_result = true;

bool counting_sync(std::FILE*) {
  ++g_syncs;
  return g_sync_result;
}

class FileIo : public ::testing::Test {
 protected:
  void TearDown() override {
    set_file_sync(nullptr);
    set_file_fault_hook(nullptr);
  }
  test::TempFolder folder;
};

TEST_F(FileIo, ReplacedFileIsMadeDurableBeforeTheRename) {
  const std::string path = folder.file("Lumari.log");
  test::write_bytes(path, "old\r\n");
  g_syncs = 0;
  g_sync_result = true;
  set_file_sync(&counting_sync);
  ASSERT_TRUE(replace_file(path, "new\r\n"));
  EXPECT_EQ(g_syncs, 1);
  EXPECT_EQ(test::read_bytes(path), "new\r\n");

  g_sync_result = false;
  const Status failed = replace_file(path, "lost\r\n");
  ASSERT_FALSE(failed);
  EXPECT_NE(failed.error().message.find("flush"), std::string::npos) << failed.error().message;
  EXPECT_EQ(test::read_bytes(path), "new\r\n") << "a file that did not reach the disk is not used";
  EXPECT_EQ(test::folder_listing(folder.path()), "Lumari.log") << "no temporary file is left";
}

TEST_F(FileIo, ReplaceWritesExactBytesAndLeavesNoTemporaryFile) {
  const std::string path = folder.file("ServerOrder.log");
  const std::string bytes("a\0b\xff\r\n", 6);
  ASSERT_TRUE(replace_file(path, bytes));
  EXPECT_EQ(test::read_bytes(path), bytes);
  ASSERT_TRUE(replace_file(path, ""));
  EXPECT_EQ(test::read_bytes(path), "");
  EXPECT_EQ(test::folder_listing(folder.path()), "ServerOrder.log");
}

TEST_F(FileIo, LinesAreWrittenWholeAcrossWritePieces) {
  // Lines of many lengths, together a few megabytes, so that they cross the
  // writer's piece boundaries at every kind of place; one line is longer than a piece.
  std::vector<std::string> lines;
  for (std::size_t i = 0; lines.size() < 60000; ++i) {
    lines.push_back(std::string(i % 97, static_cast<char>('a' + i % 26)));
  }
  lines.push_back(std::string(3u << 20, 'z'));
  lines.push_back("");
  const std::vector<std::string_view> views(lines.begin(), lines.end());
  const std::string path = folder.file("Lumari.log");
  ASSERT_TRUE(replace_file_lines(path, views));
  EXPECT_EQ(test::read_bytes(path), join_lines_crlf(lines));
  ASSERT_TRUE(replace_file_lines(path, {}));
  EXPECT_EQ(test::read_bytes(path), "");
  const auto bytes = read_file(folder.file("Lumari.log"));
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, "");
}

TEST_F(FileIo, FailedRenameKeepsTheOldContentWhole) {
  const std::string path = folder.file("Lumari.log");
  test::write_bytes(path, "old\r\n");
  set_file_fault_hook([](FileOp op, const std::string&) { return op == FileOp::Rename; });
  EXPECT_FALSE(replace_file(path, "new\r\n"));
  EXPECT_EQ(test::read_bytes(path), "old\r\n");
  EXPECT_EQ(test::folder_listing(folder.path()), "Lumari.log");
}

TEST_F(FileIo, MissingFileIsAFailureToRead) {
  EXPECT_FALSE(read_file(folder.file("none")));
  EXPECT_FALSE(file_exists(folder.file("none")));
  ASSERT_TRUE(append_file(folder.file("run.log"), "a\r\n"));
  ASSERT_TRUE(append_file(folder.file("run.log"), "b\r\n"));
  EXPECT_EQ(*read_file(folder.file("run.log")), "a\r\nb\r\n");
}

}  // namespace
}  // namespace lumari::core
