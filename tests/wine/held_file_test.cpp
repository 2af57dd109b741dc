// An exchange file held open by another program (the MT4 side) across a tick:
// a thread keeps it open without sharing deletion, as the MT4 side may, so that
// replacing it fails until it lets go. A short hold is waited out within the tick; a long
// one is not, and what the tick could not save goes out with a later one.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "shell/data_folder.h"
#include "text/file_io.h"
#include "text/line_file.h"
#include "win32/unique_handle.h"
#include "wine_app_test.h"

namespace lumari::test {
namespace {

using namespace std::chrono_literals;

/// Renames a tick tries before it gives up: the first and seven retries.
constexpr std::size_t kRenameAttempts = 8;
/// The pauses between them add up to this.
constexpr std::chrono::milliseconds kRetryPauses = 1030ms;
/// Tries of the whole scene: a tick whose answer brings no new version, or that
/// came to the rename only after the helper had let go, proves nothing and is
/// tried again.
constexpr int kAttempts = 10;

struct FileTraits {
  using Handle = HANDLE;
  static Handle invalid() { return INVALID_HANDLE_VALUE; }
  static void close(Handle handle) { CloseHandle(handle); }
};

/// Holds the file open for `hold` on a thread of its own, from the moment it is
/// made; released() is the performance counter just before it let go.
class Holder {
 public:
  Holder(const std::string& path, std::chrono::milliseconds hold)
      : file_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)),
        thread_([this, hold] {
          Sleep(static_cast<DWORD>(hold.count()));
          released_ = performance_counter();
          file_.reset();
        }) {}
  ~Holder() {
    if (thread_.joinable()) thread_.join();
  }
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;
  [[nodiscard]] bool holds() const { return static_cast<bool>(file_); }
  /// Waits until the file is let go.
  [[nodiscard]] long long released() {
    if (thread_.joinable()) thread_.join();
    return released_;
  }

 private:
  win32::UniqueHandle<FileTraits> file_;
  long long released_ = 0;
  std::thread thread_;
};

/// The file held, and for how long: less than the rename is retried (about one
/// second), or well beyond it.
struct Hold {
  const char* file;
  std::chrono::milliseconds hold;
};

void PrintTo(const Hold& hold, std::ostream* os) { *os << hold.file << " " << hold.hold.count(); }

class HeldFile : public WineAppTest, public ::testing::WithParamInterface<Hold> {};

TEST_P(HeldFile, ShortHoldIsWaitedOutLongOneKeepsTheOldFileWholeAndALaterAnswerMergesOnce) {
  const Hold param = GetParam();
  const bool long_hold = param.hold > kRetryPauses;
  const bool log_held = std::string(param.file) == core::kOrderLogFile;
  const std::string held = exchange_path(param.file);
  ASSERT_NO_FATAL_FAILURE(log_in());
  ASSERT_NO_FATAL_FAILURE(tick_until_orders_logged());
  auto renames = std::make_shared<std::vector<long long>>();
  // Watches, never fails: the hook only notes when the file is renamed onto.
  core::set_file_fault_hook([renames, held](core::FileOp op, const std::string& path) {
    if (op == core::FileOp::Rename && path == held) renames->push_back(performance_counter());
    return false;
  });
  // A tick whose answer brings no new version, or that came to the rename only
  // after the file was let go, proves nothing and is tried again.
  TickResult held_tick;
  long long released = 0;
  std::string log_before, current_before;
  for (int attempt = 1;; ++attempt) {
    ASSERT_LE(attempt, kAttempts) << "no tick with new versions while the file was held";
    log_before = exchange(core::kOrderLogFile);
    current_before = exchange(core::kCurrentOrderFile);
    renames->clear();
    Holder holder(held, param.hold);
    ASSERT_TRUE(holder.holds()) << "cannot open " << held << " to hold it";
    held_tick = tick();
    released = holder.released();
    ASSERT_TRUE(held_tick.report.kind == core::AnswerKind::Orders ||
                held_tick.report.kind == core::AnswerKind::Idle)
        << describe(held_tick.report);
    if (held_tick.report.kind == core::AnswerKind::Orders && held_tick.report.new_versions > 0 &&
        !renames->empty() && renames->front() < released) {
      break;
    }
  }
  const core::CycleReport& report = held_tick.report;
  EXPECT_EQ(exchange_listing(), "Lumari.log ServerOrder.log") << "no temporary file may be left";
  EXPECT_TRUE(polling());
  std::printf("[ HOLD     ] %s held %lld ms: %s in %lld ms after %zu rename(s)\n", param.file,
              static_cast<long long>(param.hold.count()), describe(report).c_str(),
              static_cast<long long>(held_tick.took.count()), renames->size());
  if (!long_hold) {
    EXPECT_TRUE(report.saved && report.problem.empty()) << describe(report);
    EXPECT_GE(renames->size(), 2u) << "the first rename should have been refused";
    EXPECT_LT(renames->size(), kRenameAttempts) << "the tick gave up";
    EXPECT_GT(held_tick.ended, released) << "the tick ended while the file was still held";
    expect_everything_sent_is_merged("after the tick");
    return;
  }
  const OrderLines sent = sent_lines();
  EXPECT_FALSE(report.saved) << describe(report);
  EXPECT_NE(report.problem.find("cannot replace file"), std::string::npos) << describe(report);
  EXPECT_EQ(renames->size(), kRenameAttempts);
  EXPECT_LT(held_tick.ended, released) << "the tick outlasted the hold";
  EXPECT_GE(held_tick.took, kRetryPauses) << describe(report);
  EXPECT_LT(held_tick.took, kRetryPauses + 2s) << describe(report);
  if (log_held) {
    // The order log keeps its old content whole; the current-order file went
    // out first and may hold the new versions already.
    EXPECT_EQ(exchange(core::kOrderLogFile), log_before);
    const std::string current = exchange(core::kCurrentOrderFile);
    EXPECT_TRUE(current == current_before ||
                sorted(core::split_lines(current)) == latest_versions(sent))
        << current;
    EXPECT_EQ(session().sync.unsaved_log_lines,
              lines_missing_from(distinct_versions(sent), core::split_lines(log_before)))
        << "the versions the order log could not take should wait in memory";
  } else {
    EXPECT_EQ(exchange(core::kCurrentOrderFile), current_before);
    EXPECT_EQ(exchange_lines(core::kOrderLogFile), distinct_versions(sent));
    EXPECT_TRUE(session().sync.unsaved_log_lines.empty());
  }
  // The waiting versions go out with the next order answer; idle answers leave
  // the exchange files alone.
  ASSERT_FALSE(tick_until_new_versions_saved().empty());
  expect_everything_sent_is_merged("after the file was let go");
  EXPECT_TRUE(polling());
}

INSTANTIATE_TEST_SUITE_P(
    Wine, HeldFile,
    ::testing::Values(Hold{"Lumari.log", 300ms}, Hold{"ServerOrder.log", 300ms},
                      Hold{"Lumari.log", 4000ms}, Hold{"ServerOrder.log", 4000ms}),
    [](const ::testing::TestParamInfo<Hold>& param) {
      std::string name =
          std::string(param.param.hold > 1s ? "long_" : "briefly_") + param.param.file;
      std::replace(name.begin(), name.end(), '.', '_');
      return name;
    });

}  // namespace
}  // namespace lumari::test
