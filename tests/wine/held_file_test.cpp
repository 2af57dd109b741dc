// An exchange file held open by another program (the MT4 side) across a tick:
// a thread keeps it open without sharing deletion, as the MT4 side may, so that
// replacing it fails until it lets go. A short hold is waited out within the tick; a long
// one is not, and what the tick could not save goes out with a later one.
#include <gtest/gtest.h>
#include <windows.h>

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

/// Held for less than the rename is retried (about one second).
constexpr std::chrono::milliseconds kShortHold = 300ms;
/// Held for well beyond it.
constexpr std::chrono::milliseconds kLongHold = 4000ms;
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
  ~Holder() { thread_.join(); }
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;
  [[nodiscard]] bool holds() const { return static_cast<bool>(file_); }
  /// Waits until the file is let go.
  [[nodiscard]] long long released() {
    thread_.join();
    thread_ = std::thread([] {});
    return released_;
  }

 private:
  win32::UniqueHandle<FileTraits> file_;
  long long released_ = 0;
  std::thread thread_;
};

/// A tick while the helper held the file, and what the files were just after it.
struct HeldTick {
  TickResult tick;
  long long released = 0;               ///< performance counter when the helper let go
  std::vector<long long> rename_times;  ///< performance counter at each rename of the file
  std::string log_before;
  std::string current_before;
  std::string log_after;
  std::string current_after;
  std::string listing_after;
  std::vector<std::string> waiting_after;  ///< versions kept in memory
};

class HeldFileTest : public WineAppTest, public ::testing::WithParamInterface<const char*> {
 protected:
  /// Ticks with the file held for `hold` until the tick brings new versions;
  /// nothing when no attempt did (a failure is recorded).
  std::optional<HeldTick> tick_while_held(std::chrono::milliseconds hold) {
    const std::string held = exchange_path(GetParam());
    auto renames = std::make_shared<std::vector<long long>>();
    // Watches, never fails: the hook only notes when the file is renamed onto.
    core::set_file_fault_hook([renames, held](core::FileOp op, const std::string& path) {
      if (op == core::FileOp::Rename && path == held) renames->push_back(performance_counter());
      return false;
    });
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
      HeldTick result;
      result.log_before = exchange(core::kOrderLogFile);
      result.current_before = exchange(core::kCurrentOrderFile);
      renames->clear();
      Holder holder(held, hold);
      if (!holder.holds()) {
        ADD_FAILURE() << "cannot open " << held << " to hold it";
        return std::nullopt;
      }
      result.tick = tick();
      result.log_after = exchange(core::kOrderLogFile);
      result.current_after = exchange(core::kCurrentOrderFile);
      result.listing_after = exchange_listing();
      result.waiting_after = session().sync.unsaved_log_lines;
      result.rename_times = *renames;
      result.released = holder.released();
      const core::CycleReport& report = result.tick.report;
      std::printf("[ HOLD     ] attempt %d, %s held %lld ms: %s in %lld ms, %zu rename(s)\n",
                  attempt, GetParam(), static_cast<long long>(hold.count()),
                  describe(report).c_str(), static_cast<long long>(result.tick.took.count()),
                  result.rename_times.size());
      if (report.kind != core::AnswerKind::Orders && report.kind != core::AnswerKind::Idle) {
        ADD_FAILURE() << "the tick while the file was held: " << describe(report);
        return std::nullopt;
      }
      const bool brought_news = report.kind == core::AnswerKind::Orders && report.new_versions > 0;
      const bool renamed_while_held =
          !result.rename_times.empty() && result.rename_times.front() < result.released;
      if (brought_news && renamed_while_held) return result;
    }
    ADD_FAILURE() << "no tick with new versions while the file was held, in " << kAttempts
                  << " attempts";
    return std::nullopt;
  }
};

class HeldBriefly : public HeldFileTest {};
class HeldLong : public HeldFileTest {};

TEST_P(HeldBriefly, RenameIsRetriedUntilTheFileIsFreeAndTheTickSavesEverything) {
  ASSERT_NO_FATAL_FAILURE(log_in());
  ASSERT_NO_FATAL_FAILURE(tick_until_orders_logged());
  const auto held = tick_while_held(kShortHold);
  ASSERT_TRUE(held.has_value());
  const core::CycleReport& report = held->tick.report;

  EXPECT_TRUE(report.saved) << describe(report);
  EXPECT_TRUE(report.problem.empty()) << describe(report);
  ASSERT_GE(held->rename_times.size(), 2u) << "the first rename should have been refused";
  EXPECT_LT(held->rename_times.front(), held->released) << "the first rename came after the hold";
  EXPECT_GT(held->tick.ended, held->released) << "the tick ended while the file was still held";
  EXPECT_LT(held->rename_times.size(), kRenameAttempts) << "the tick gave up";
  expect_everything_sent_is_merged("after the tick");
  EXPECT_EQ(held->listing_after, "Lumari.log ServerOrder.log") << "no temporary file may be left";
  EXPECT_TRUE(polling());
  std::printf(
      "[ HOLD     ] %s held %lld ms: %s in %lld ms after %zu renames, done %.0f ms after "
      "the release; nothing waits\n",
      GetParam(), static_cast<long long>(kShortHold.count()), describe(report).c_str(),
      static_cast<long long>(held->tick.took.count()), held->rename_times.size(),
      counter_ms(held->released, held->tick.ended));
}

TEST_P(HeldLong, TickGivesUpKeepsTheOldFileWholeAndALaterOrderAnswerMergesOnce) {
  const bool log_held = std::string(GetParam()) == core::kOrderLogFile;
  ASSERT_NO_FATAL_FAILURE(log_in());
  ASSERT_NO_FATAL_FAILURE(tick_until_orders_logged());
  const auto held = tick_while_held(kLongHold);
  ASSERT_TRUE(held.has_value());
  const core::CycleReport& report = held->tick.report;
  const OrderLines sent = sent_lines();

  EXPECT_FALSE(report.saved) << describe(report);
  EXPECT_NE(report.problem.find("cannot replace file"), std::string::npos) << describe(report);
  EXPECT_EQ(held->rename_times.size(), kRenameAttempts);
  EXPECT_LT(held->tick.ended, held->released) << "the tick outlasted the hold";
  EXPECT_GE(held->tick.took, kRetryPauses) << describe(report);
  EXPECT_LT(held->tick.took, kRetryPauses + 2s) << describe(report);
  EXPECT_EQ(held->listing_after, "Lumari.log ServerOrder.log") << "no temporary file may be left";
  if (log_held) {
    // The order log keeps its old content whole; the current-order file went
    // out first and may hold the new versions already.
    EXPECT_EQ(held->log_after, held->log_before);
    EXPECT_TRUE(held->current_after == held->current_before ||
                sorted(core::split_lines(held->current_after)) == latest_versions(sent))
        << held->current_after;
    EXPECT_EQ(held->waiting_after,
              lines_missing_from(distinct_versions(sent), core::split_lines(held->log_before)))
        << "the versions the order log could not take should wait in memory";
  } else {
    EXPECT_EQ(held->current_after, held->current_before);
    EXPECT_EQ(core::split_lines(held->log_after), distinct_versions(sent));
    EXPECT_TRUE(held->waiting_after.empty());
  }
  EXPECT_TRUE(polling());

  // The waiting versions go out with the next order answer; idle answers leave
  // the exchange files alone.
  const std::vector<TickResult> after = tick_until_new_versions_saved();
  ASSERT_FALSE(after.empty());
  expect_everything_sent_is_merged("after the file was let go");
  EXPECT_TRUE(polling());
  std::printf(
      "[ HOLD     ] %s held %lld ms: %s in %lld ms after %zu renames, %zu version(s) "
      "waiting; merged by the %zu. tick after the release, %.0f ms after it\n",
      GetParam(), static_cast<long long>(kLongHold.count()), describe(report).c_str(),
      static_cast<long long>(held->tick.took.count()), held->rename_times.size(),
      held->waiting_after.size(), after.size(), counter_ms(held->released, after.back().ended));
}

std::string file_test_name(const ::testing::TestParamInfo<const char*>& param) {
  std::string name = param.param;
  for (char& c : name) {
    if (c == '.') c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Wine, HeldBriefly, ::testing::Values("Lumari.log", "ServerOrder.log"),
                         file_test_name);
INSTANTIATE_TEST_SUITE_P(Wine, HeldLong, ::testing::Values("Lumari.log", "ServerOrder.log"),
                         file_test_name);

}  // namespace
}  // namespace lumari::test
