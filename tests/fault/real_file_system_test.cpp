// File faults of real file systems: the exchange folder missing, mounted
// read-only and full. The read-only and full cases mount inside a user and
// mount namespace of their own (see mount_namespace.h), so that they work
// without privileges and stop writes even for root, where permission bits do not.
#include <gtest/gtest.h>
#include <sys/statvfs.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <set>
#include <string>

#include "cycle_run.h"
#include "exchange_checks.h"
#include "model_files.h"
#include "mount_namespace.h"
#include "scenario.h"
#include "shell/data_folder.h"
#include "sweep_checks.h"

namespace lumari::test {
namespace {

namespace fs = std::filesystem;

const std::string kEmptyOrders;

// Runs the body in its own namespaces; says so loudly when they cannot be made.
void run_in_namespace_or_skip(const std::function<void()>& body) {
  const NamespaceRun run = run_in_mount_namespace(body);
  if (!run.available) {
    std::cerr << "\n*** user and mount namespaces are not available here (" << run.detail
              << "):\n*** the read-only and full file system cases DID NOT RUN.\n\n";
    GTEST_SKIP() << "user and mount namespaces are not available: " << run.detail;
  }
  EXPECT_TRUE(run.passed) << run.detail << "; the failed checks are printed above";
}

// What a cycle that could not write leaves: both files as they were, nothing
// else in the folder, polling still on, the failure reported.
void expect_nothing_written(CycleRun& run, const ExchangeBytes& before,
                            const std::set<std::string>& also_there = {}) {
  EXPECT_EQ(run.files(), before);
  std::set<std::string> expected = exchange_file_names();
  expected.insert(also_there.begin(), also_there.end());
  EXPECT_TRUE(stray_files(run.h.exchange_folder, expected).empty());
  EXPECT_FALSE(run.last_cycle().saved);
  EXPECT_FALSE(run.last_cycle().problem.empty());
  EXPECT_FALSE(run.unsaved().empty());
  EXPECT_TRUE(run.h.ui.timer_enabled);
}

void expect_all_merged(CycleRun& run, const FaultFreeRun& expected) {
  EXPECT_EQ(differences(run.files(), expected.after.back()), "");
  EXPECT_TRUE(run.last_cycle().saved) << run.last_cycle().problem;
  EXPECT_TRUE(run.unsaved().empty());
  EXPECT_EQ(run.h.session().counterLumarilog, expected.counter);
}

// Fills the file system that holds the folder with one file until no byte fits,
// then gives back the given number of bytes.
void fill_leaving(const std::string& folder, std::size_t free_bytes) {
  const fs::path filler = fs::path(folder) / "filler";
  {
    std::ofstream out(filler, std::ios::binary);
    const std::string block(4096, 'f');
    while (out.write(block.data(), static_cast<std::streamsize>(block.size()))) {
    }
  }
  std::error_code ec;
  const auto size = fs::file_size(filler, ec);
  ASSERT_FALSE(ec) << ec.message();
  fs::resize_file(filler, size > free_bytes ? size - free_bytes : 0, ec);
  ASSERT_FALSE(ec) << ec.message();
}

std::uintmax_t free_bytes(const std::string& folder) {
  struct statvfs info {};
  if (::statvfs(folder.c_str(), &info) != 0) return 0;
  return static_cast<std::uintmax_t>(info.f_bavail) * info.f_frsize;
}

TEST(RealFileSystem, MissingExchangeFolderKeepsVersionsUntilItIsCreated) {
  const Scenario& s = scenario();
  CycleRun run;
  (void)enter_scenario(run);
  fs::remove_all(run.h.exchange_folder);

  run.tick(s.first);
  run.tick(s.second);
  // The program creates no folder of the MT4 side's and no file anywhere else.
  EXPECT_FALSE(fs::exists(run.h.exchange_folder));
  EXPECT_EQ(folder_listing(fs::path(run.h.exchange_folder).parent_path()), "");
  EXPECT_FALSE(run.last_cycle().saved);
  EXPECT_TRUE(run.h.ui.timer_enabled);

  // The folder comes back empty (the terminal reinstalled, say): the versions
  // waiting in memory are all that is left of this run's answers, and all reach
  // it at the next tick, even an idle one.
  fs::create_directories(run.h.exchange_folder);
  run.tick(std::string(kIdleAnswer));
  EXPECT_EQ(folder_listing(run.h.exchange_folder), "Lumari.log ServerOrder.log");
  EXPECT_TRUE(run.unsaved().empty());
  run.tick(kEmptyOrders);

  ModelFiles model(ExchangeBytes{}, true);
  for (const auto& answer : {s.first, s.second, kEmptyOrders}) model.cycle(answer);
  EXPECT_EQ(differences(run.files(), model.files()), "");
  EXPECT_TRUE(run.last_cycle().saved) << run.last_cycle().problem;
  EXPECT_TRUE(run.unsaved().empty());
  EXPECT_EQ(folder_listing(run.h.exchange_folder), "Lumari.log ServerOrder.log");
}

TEST(RealFileSystem, ReadOnlyExchangeFolderKeepsBothFilesWholeUntilItIsWritable) {
  const Scenario& s = scenario();
  const FaultFreeRun expected = run_fault_free({s.first, s.second, kEmptyOrders});
  run_in_namespace_or_skip([&] {
    CycleRun run;
    const ExchangeBytes before = enter_scenario(run);
    std::string why;
    ASSERT_TRUE(bind_read_only(run.h.exchange_folder, why)) << why;
    const MountedOver mounted(run.h.exchange_folder);
    // Even root cannot write here now.
    EXPECT_FALSE(std::ofstream(fs::path(run.h.exchange_folder) / "probe").is_open());

    run.tick(s.first);
    expect_nothing_written(run, before);
    run.tick(s.second);
    expect_nothing_written(run, before);

    ASSERT_TRUE(remount_writable(run.h.exchange_folder, why)) << why;
    // The next tick, even an idle one, brings the waiting versions in.
    run.tick(std::string(kIdleAnswer));
    expect_all_merged(run, expected);
    run.tick(kEmptyOrders);
    expect_all_merged(run, expected);
    EXPECT_TRUE(stray_files(run.h.exchange_folder, exchange_file_names()).empty());
  });
}

TEST(RealFileSystem, FullExchangeFolderKeepsBothFilesWholeUntilSpaceIsFreed) {
  const Scenario& s = scenario();
  const FaultFreeRun expected = run_fault_free({s.first, s.second, kEmptyOrders});
  run_in_namespace_or_skip([&] {
    CycleRun run;
    std::string why;
    ASSERT_TRUE(mount_tmpfs(run.h.exchange_folder, 64 * 1024, why)) << why;
    const MountedOver mounted(run.h.exchange_folder);
    const ExchangeBytes before = enter_scenario(run);
    fill_leaving(run.h.exchange_folder, 0);
    EXPECT_EQ(free_bytes(run.h.exchange_folder), 0u);

    run.tick(s.first);
    expect_nothing_written(run, before, {"filler"});
    run.tick(s.second);
    expect_nothing_written(run, before, {"filler"});

    fs::remove(fs::path(run.h.exchange_folder) / "filler");
    run.tick(kEmptyOrders);
    expect_all_merged(run, expected);
    EXPECT_TRUE(stray_files(run.h.exchange_folder, exchange_file_names()).empty());
  });
}

// Room for the small current-order file but not for the large order log: the
// log's temporary file fills the disk part-way, and must go without a trace.
TEST(RealFileSystem, OrderLogThatNoLongerFitsKeepsItsOldContentWhole) {
  const Scenario& s = scenario(600);
  const FaultFreeRun expected = run_fault_free({s.first, s.second}, s);
  const std::set<std::string> allowed = model_log_lines({s.first}, s);
  run_in_namespace_or_skip([&] {
    CycleRun run;
    std::string why;
    ASSERT_TRUE(mount_tmpfs(run.h.exchange_folder, 256 * 1024, why)) << why;
    const MountedOver mounted(run.h.exchange_folder);
    const ExchangeBytes before = enter_scenario(run, s);
    ASSERT_GT(before.log.size(), 8 * 4096u);
    ASSERT_LT(before.current.size(), 4096u);
    fill_leaving(run.h.exchange_folder, 3 * 4096);

    run.tick(s.first);
    const ExchangeBytes after = run.files();
    // Compared whole but reported by size: the log is hundreds of lines long.
    EXPECT_TRUE(after.log == before.log) << "the order log went from " << before.log.size()
                                         << " to " << after.log.size() << " bytes";
    EXPECT_EQ(after.current, expected.after[0].current);
    std::cout << "[ full     ] " << run.last_cycle().problem << "\n";
    EXPECT_EQ(order_log_breaks(before.log, after.log, allowed), "");
    EXPECT_TRUE(stray_files(run.h.exchange_folder,
                            {"Lumari.log", "ServerOrder.log", "SystemOrder.log", "filler"})
                    .empty());
    EXPECT_FALSE(run.last_cycle().saved);
    EXPECT_FALSE(run.unsaved().empty());
    EXPECT_TRUE(run.h.ui.timer_enabled);

    fs::remove(fs::path(run.h.exchange_folder) / "filler");
    run.tick(s.second);
    expect_all_merged(run, expected);
    EXPECT_TRUE(stray_files(run.h.exchange_folder, exchange_file_names()).empty());
  });
}

}  // namespace
}  // namespace lumari::test
