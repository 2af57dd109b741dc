// Exchange files that cannot be read or written: nothing already kept is lost, and
// every version received reaches the order log exactly once.
#include <gtest/gtest.h>

#include <filesystem>

#include "cycle_fixture.h"
#include "shell/app.h"

namespace lumari::test {
namespace {

using core::FileOp;

using ExchangeFaults = CycleTest;

TEST_F(ExchangeFaults, OrderLogThatCannotBeReplacedKeepsItsContentAndIsMergedOnce) {
  log_in();
  h.write_exchange("Lumari.log", crlf({order("1", 1)}));
  fail_when = [](FileOp op, std::string_view name) {
    return op == FileOp::Rename && name == "Lumari.log";
  };
  tick_with(orders_answer({order("1", 1), order("2", 2)}));

  EXPECT_FALSE(h.app->last_cycle().saved);
  EXPECT_FALSE(h.app->last_cycle().problem.empty());
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1)}));
  // The current orders still reach the MT4 side.
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("1", 1), order("2", 2)}));
  EXPECT_EQ(folder_listing(h.exchange_folder), "Lumari.log ServerOrder.log");
  EXPECT_EQ(h.session().sync.unsaved_log_lines, (std::vector<std::string>{order("2", 2)}));
  EXPECT_EQ(h.session().counterLumarilog, 0);
  EXPECT_TRUE(h.ui.timer_enabled);

  // An idle answer while the log is still held: the version keeps waiting.
  tick_with("\r\nXXX");
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1)}));
  EXPECT_EQ(h.session().sync.unsaved_log_lines.size(), 1u);

  // The service sends the waiting version again, and one more.
  fail_when = nullptr;
  tick_with(orders_answer({order("2", 2), order("3", 3)}));
  EXPECT_TRUE(h.app->last_cycle().saved);
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1), order("2", 2), order("3", 3)}));
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("1", 1), order("2", 2), order("3", 3)}));
  EXPECT_TRUE(h.session().sync.unsaved_log_lines.empty());
  EXPECT_EQ(h.session().counterLumarilog, 2);
}

TEST_F(ExchangeFaults, WaitingVersionsAreMergedEvenWhenTheServiceNoLongerSendsThem) {
  log_in();
  fail_when = [](FileOp op, std::string_view name) {
    return op == FileOp::Write && name == "Lumari.log.tmp";
  };
  tick_with(orders_answer({order("1", 1), order("2", 2)}));
  EXPECT_FALSE(h.app->last_cycle().saved);
  EXPECT_FALSE(h.has_exchange("Lumari.log"));
  EXPECT_EQ(folder_listing(h.exchange_folder), "ServerOrder.log");

  fail_when = nullptr;
  tick_with("");
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1), order("2", 2)}));
  EXPECT_EQ(h.app->last_cycle().new_versions, 2u);
  EXPECT_EQ(h.session().counterLumarilog, 2);
}

TEST_F(ExchangeFaults, RepeatedFailuresKeepEachWaitingVersionOnce) {
  log_in();
  h.write_exchange("Lumari.log", crlf({order("1", 1)}));
  fail_when = [](FileOp op, std::string_view name) {
    return op == FileOp::Write && name == "Lumari.log.tmp";
  };
  tick_with(orders_answer({order("1", 1), order("2", 2)}));
  tick_with(orders_answer({order("2", 2), order("3", 3)}));
  tick_with(orders_answer({order("3", 3), order("2", 2), order("1", 1)}));
  EXPECT_EQ(h.session().sync.unsaved_log_lines,
            (std::vector<std::string>{order("2", 2), order("3", 3)}));
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1)}));
  EXPECT_EQ(h.session().counterLumarilog, 0);

  fail_when = nullptr;
  tick_with(orders_answer({order("4", 4)}));
  EXPECT_EQ(h.exchange("Lumari.log"),
            crlf({order("1", 1), order("2", 2), order("3", 3), order("4", 4)}));
  EXPECT_EQ(h.session().counterLumarilog, 3);
}

TEST_F(ExchangeFaults, CurrentOrderFileThatCannotBeWrittenKeepsItsContent) {
  log_in();
  h.write_exchange("ServerOrder.log", crlf({order("1", 1)}));
  fail_when = [](FileOp op, std::string_view name) {
    return op == FileOp::Write && name == "ServerOrder.log.tmp";
  };
  tick_with(orders_answer({order("2", 2)}));
  EXPECT_FALSE(h.app->last_cycle().saved);
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("1", 1)}));
  // The order log is written all the same, and its versions are not kept twice.
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("2", 2)}));
  EXPECT_TRUE(h.session().sync.unsaved_log_lines.empty());
  EXPECT_EQ(h.session().counterLumarilog, 1);
  EXPECT_EQ(folder_listing(h.exchange_folder), "Lumari.log ServerOrder.log");

  fail_when = nullptr;
  tick_with("");
  EXPECT_TRUE(h.app->last_cycle().saved);
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("1", 1), order("2", 2)}));
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("2", 2)}));
  EXPECT_EQ(h.session().counterLumarilog, 1);
}

TEST_F(ExchangeFaults, UnreadableOrderLogStopsTheCycleBeforeThePass) {
  log_in();
  h.write_exchange("Lumari.log", crlf({order("1", 1)}));
  h.write_exchange("ServerOrder.log", crlf({order("1", 1)}));
  fail_when = [](FileOp op, std::string_view name) {
    return op == FileOp::Read && name == "Lumari.log";
  };
  tick_with(orders_answer({order("2", 2)}));

  EXPECT_FALSE(h.app->last_cycle().saved);
  EXPECT_NE(h.app->last_cycle().problem.find("Lumari.log"), std::string::npos);
  const auto files = take_exchange_calls();
  for (const auto& call : files) {
    EXPECT_EQ(call.op, FileOp::Read) << ::testing::PrintToString(call);
  }
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1)}));
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("1", 1)}));
  EXPECT_EQ(h.session().sync.unsaved_log_lines, (std::vector<std::string>{order("2", 2)}));
  EXPECT_TRUE(h.session().fetcher.lumarilog.empty());
  EXPECT_TRUE(h.session().fetcher.ServerOrd.empty());
  EXPECT_TRUE(h.session().fetcher.listData.empty());
  EXPECT_TRUE(h.ui.timer_enabled);

  fail_when = nullptr;
  tick_with(orders_answer({order("2", 2)}));
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1), order("2", 2)}));
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("1", 1), order("2", 2)}));
  EXPECT_EQ(h.session().counterLumarilog, 1);
}

TEST_F(ExchangeFaults, OrderLogThatIsAFolderIsNeverReplaced) {
  log_in();
  std::filesystem::create_directory(std::filesystem::path(h.exchange_folder) / "Lumari.log");
  tick_with(orders_answer({order("1", 1)}));
  EXPECT_FALSE(h.app->last_cycle().saved);
  EXPECT_TRUE(
      std::filesystem::is_directory(std::filesystem::path(h.exchange_folder) / "Lumari.log"));
  EXPECT_EQ(h.session().sync.unsaved_log_lines, (std::vector<std::string>{order("1", 1)}));
}

TEST_F(ExchangeFaults, VersionsWaitingFromSeveralStoppedCyclesAreKeptOnce) {
  log_in();
  h.write_exchange("Lumari.log", crlf({order("1", 1)}));
  fail_when = [](FileOp op, std::string_view name) {
    return op == FileOp::Write && name == "Lumari.log.tmp";
  };
  tick_with(orders_answer({order("1", 1), order("2", 2)}));
  fail_when = [](FileOp op, std::string_view name) {
    return op == FileOp::Read && name == "Lumari.log";
  };
  tick_with(orders_answer({order("2", 2), order("3", 3)}));
  tick_with(orders_answer({order("3", 3), order("2", 2)}));
  EXPECT_EQ(h.session().sync.unsaved_log_lines,
            (std::vector<std::string>{order("2", 2), order("3", 3)}));

  fail_when = nullptr;
  tick_with(orders_answer({order("3", 3)}));
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1), order("2", 2), order("3", 3)}));
  EXPECT_EQ(h.session().counterLumarilog, 2);
}

TEST_F(ExchangeFaults, UnreadableCurrentOrderFileStopsTheCycleBeforeThePass) {
  log_in();
  h.write_exchange("Lumari.log", crlf({order("1", 1)}));
  h.write_exchange("ServerOrder.log", crlf({order("1", 1)}));
  fail_when = [](FileOp op, std::string_view name) {
    return op == FileOp::Read && name == "ServerOrder.log";
  };
  tick_with(orders_answer({order("2", 2)}));
  EXPECT_FALSE(h.app->last_cycle().saved);
  EXPECT_NE(h.app->last_cycle().problem.find("ServerOrder.log"), std::string::npos);
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1)}));
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("1", 1)}));
  EXPECT_EQ(h.session().sync.unsaved_log_lines, (std::vector<std::string>{order("2", 2)}));

  fail_when = nullptr;
  tick_with("");
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1), order("2", 2)}));
}

TEST_F(ExchangeFaults, UnreadableSystemOrderFileDoesNotStopThePass) {
  log_in();
  h.write_exchange("SystemOrder.log", "s1,a\r\n");
  fail_when = [](FileOp op, std::string_view name) {
    return op == FileOp::Read && name == "SystemOrder.log";
  };
  tick_with(orders_answer({order("1", 1)}));
  EXPECT_TRUE(h.app->last_cycle().saved);
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1)}));
  EXPECT_TRUE(h.session().fetcher.sysord.empty());
  EXPECT_EQ(h.exchange("SystemOrder.log"), "s1,a\r\n");
}

// The versions wait while no exchange folder is there, and go in once when it
// appears: the installation's own, or a current terminal's data folder.
TEST_F(ExchangeFaults, ExchangeFolderMissingThenAppearing) {
  for (const bool data_folder : {false, true}) {
    SCOPED_TRACE(data_folder ? "terminal data folder" : "experts/files");
    const std::filesystem::path root = h.root.path() / (data_folder ? "Terminal" : "none");
    core::TerminalDataRoots terminals;
    terminals.roots = {root.string()};
    h.app = std::make_unique<core::App>(
        core::Ports{h.ui, h.clock, h.adapters, h.web.factory()},
        core::AppConfig{h.data_folder, "http://service.test", terminals});
    std::filesystem::remove_all(h.exchange_folder);
    log_in();
    tick_with(orders_answer({order("1", 1), order("2", 2)}));
    EXPECT_FALSE(h.app->last_cycle().saved);
    EXPECT_EQ(h.app->last_cycle().problem, "MT4 folder not found: " + h.exchange_folder);
    EXPECT_FALSE(std::filesystem::exists(h.exchange_folder));
    EXPECT_EQ(h.session().sync.unsaved_log_lines.size(), 2u);
    EXPECT_TRUE(h.ui.timer_enabled);

    tick_with(orders_answer({order("2", 2), order("3", 3)}));
    EXPECT_EQ(h.session().sync.unsaved_log_lines.size(), 3u);

    std::filesystem::path folder = h.exchange_folder;
    if (data_folder) {
      folder = root / "0A1B" / "MQL4" / "Files";
      write_bytes(root / "0A1B" / "origin.txt", h.mt4_folder);
    }
    std::filesystem::create_directories(folder);
    tick_with("\r\nXXX");
    EXPECT_TRUE(h.app->last_cycle().saved) << h.app->last_cycle().problem;
    EXPECT_EQ(h.session().main.exchange_folder, folder.string());
    EXPECT_EQ(read_bytes(folder / "Lumari.log"),
              crlf({order("1", 1), order("2", 2), order("3", 3)}));
    EXPECT_EQ(read_bytes(folder / "ServerOrder.log"),
              crlf({order("1", 1), order("2", 2), order("3", 3)}));
    EXPECT_EQ(folder_listing(folder), "Lumari.log ServerOrder.log");
    EXPECT_EQ(h.session().counterLumarilog, 3);
    std::filesystem::remove_all(folder);
  }
}

// A current-order file that could not be emptied at the first load is never
// merged into: it is emptied, or rebuilt, by the first pass that can write it.
TEST_F(ExchangeFaults, CurrentOrderFileThatCouldNotBeEmptiedIsRebuiltFromTheLog) {
  h.write_exchange("Lumari.log", crlf({order("1", 1)}));
  h.write_exchange("ServerOrder.log", crlf({order("9", 9)}));
  fail_when = [](FileOp op, std::string_view name) {
    return op == FileOp::Write && name == "ServerOrder.log.tmp";
  };
  log_in();
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("9", 9)}));
  tick_with(orders_answer({order("2", 2)}));
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("9", 9)}));
  fail_when = nullptr;
  tick_with("\r\nXXX");
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("1", 1), order("2", 2)}));
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1), order("2", 2)}));
}

TEST_F(ExchangeFaults, ExitMergesTheWaitingVersionsIntoTheOrderLog) {
  log_in();
  h.write_exchange("Lumari.log", crlf({order("1", 1)}));
  fail_when = [](FileOp op, std::string_view name) {
    return op == FileOp::Write && name == "Lumari.log.tmp";
  };
  tick_with(orders_answer({order("2", 2)}));
  ASSERT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1)}));

  fail_when = nullptr;
  h.app->FrmMainMdi_mnulvex_Click();
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1), order("2", 2)}));
  EXPECT_TRUE(h.session().sync.unsaved_log_lines.empty());
  EXPECT_TRUE(h.ui.ended);
  EXPECT_EQ(h.data("lumari.dat"),
            "12/5/2026 start time = 14:03:07 end time = 14:03:07 Counter Lumarilog =  1\r\n");
}

TEST_F(ExchangeFaults, ExitStillEndsWhenTheWaitingVersionsCannotBeSaved) {
  log_in();
  fail_when = [](FileOp op, std::string_view name) {
    return op == FileOp::Write && name == "Lumari.log.tmp";
  };
  tick_with(orders_answer({order("1", 1)}));
  h.app->FrmMainMdi_mnulvex_Click();
  EXPECT_FALSE(h.has_exchange("Lumari.log"));
  EXPECT_TRUE(h.ui.ended);
  EXPECT_FALSE(h.ui.tray_icon);
  EXPECT_EQ(h.data("lumari.dat"),
            "12/5/2026 start time = 14:03:07 end time = 14:03:07 Counter Lumarilog =  0\r\n");
}

TEST_F(ExchangeFaults, ExitWithNothingWaitingTouchesNoExchangeFile) {
  log_in();
  tick_with(orders_answer({order("1", 1)}));
  (void)take_exchange_calls();
  h.app->FrmMainMdi_mnulvex_Click();
  EXPECT_TRUE(take_exchange_calls().empty());
}

// The working folder for the length of a test.
class WorkingFolder {
 public:
  explicit WorkingFolder(const std::filesystem::path& folder)
      : before_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder);
  }
  ~WorkingFolder() { std::filesystem::current_path(before_); }

 private:
  std::filesystem::path before_;
};

TEST_F(ExchangeFaults, WithoutAnMt4FolderNoExchangeFileIsWrittenAnywhere) {
  TempFolder elsewhere;
  WorkingFolder cwd(elsewhere.path());
  h.write_data("install.dat", "\r\n");
  h.app->FrmMainMdi_Form_Load();
  ASSERT_TRUE(h.session().main.pathname1.empty());
  h.app->frmSettings_cmdCancel_Click();
  h.web.answer("/LumariLoginCheckAction.do", std::string("1234;11;Alpha"));
  h.app->FrmMainMdi_mnuFlSi_Click();
  h.session().login.controls.txtUser = "ann@example.com";
  h.app->frmLogin_cmdLogin_Click();
  ASSERT_TRUE(h.ui.timer_enabled);

  tick_with(orders_answer({order("1", 1)}));
  EXPECT_FALSE(h.app->last_cycle().saved);
  EXPECT_EQ(folder_listing(elsewhere.path()), "");
  EXPECT_EQ(h.session().sync.unsaved_log_lines, (std::vector<std::string>{order("1", 1)}));
  EXPECT_TRUE(take_exchange_calls().empty());

  // Once the MT4 folder is set, the waiting versions reach its order log.
  h.app->FrmMainMdi_mnulvset_Click();
  h.session().settings.mt4location = h.mt4_folder + "terminal.exe";
  h.app->frmSettings_cmdSave_Click();
  ASSERT_EQ(h.session().main.pathname1, h.exchange_folder);
  tick_with("");
  EXPECT_TRUE(h.app->last_cycle().saved);
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1)}));
  EXPECT_EQ(folder_listing(elsewhere.path()), "");
}

}  // namespace
}  // namespace lumari::test

namespace lumari::test {
namespace {

TEST_F(ExchangeFaults, WaitingVersionsAreBoundedAndTheLatestSurvive) {
  log_in();
  // Room for three waiting lines of this length, not four.
  const std::size_t line_size = order("1", 1).size();
  h.session().sync.unsaved_limit_bytes = line_size * 3 + line_size / 2;
  fail_when = [](core::FileOp op, std::string_view name) {
    return op == core::FileOp::Write && name == "Lumari.log.tmp";
  };
  for (int minute = 1; minute <= 6; ++minute) tick_with(orders_answer({order("1", minute)}));

  EXPECT_EQ(h.session().sync.unsaved_log_lines,
            (std::vector<std::string>{order("1", 4), order("1", 5), order("1", 6)}));
  fail_when = nullptr;
  tick_with("\r\n");
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 4), order("1", 5), order("1", 6)}));
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("1", 6)}));
}

}  // namespace
}  // namespace lumari::test

namespace lumari::test {
namespace {

struct QuietTick {
  const char* name;
  bool answered;
  const char* answer;
};

void PrintTo(const QuietTick& tick, std::ostream* os) { *os << tick.name; }

class CatchUp : public CycleTest, public ::testing::WithParamInterface<QuietTick> {
 protected:
  void quiet_tick() {
    if (GetParam().answered) {
      tick_with(GetParam().answer);
    } else {
      tick_without_answer();
    }
  }
};

TEST_P(CatchUp, WaitingVersionsReachTheLogAtTheNextTickWithoutOrders) {
  log_in();
  h.write_exchange("Lumari.log", crlf({order("1", 1)}));
  fail_when = [](core::FileOp op, std::string_view name) {
    return op == core::FileOp::Write && name == "Lumari.log.tmp";
  };
  tick_with(orders_answer({order("1", 1), order("1", 2)}));
  ASSERT_EQ(h.session().sync.unsaved_log_lines.size(), 1u);

  fail_when = nullptr;
  quiet_tick();
  EXPECT_EQ(h.exchange("Lumari.log"), crlf({order("1", 1), order("1", 2)}));
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("1", 2)}));
  EXPECT_TRUE(h.session().sync.unsaved_log_lines.empty());
  EXPECT_EQ(h.session().counterLumarilog, 1);
  EXPECT_TRUE(h.ui.timer_enabled);

  // With nothing waiting, a quiet tick leaves the files alone.
  (void)take_exchange_calls();
  quiet_tick();
  EXPECT_TRUE(take_exchange_calls().empty());
}

TEST_P(CatchUp, CurrentOrderFileThatLaggedIsRewrittenAtTheNextTickWithoutOrders) {
  log_in();
  h.write_exchange("ServerOrder.log", "");
  fail_when = [](core::FileOp op, std::string_view name) {
    return op == core::FileOp::Write && name == "ServerOrder.log.tmp";
  };
  tick_with(orders_answer({order("1", 1), order("2", 1)}));
  ASSERT_EQ(h.exchange("ServerOrder.log"), "");

  fail_when = nullptr;
  quiet_tick();
  EXPECT_EQ(h.exchange("ServerOrder.log"), crlf({order("1", 1), order("2", 1)}));
  EXPECT_FALSE(h.session().sync.current_orders_unsaved);
}

INSTANTIATE_TEST_SUITE_P(QuietTicks, CatchUp,
                         ::testing::Values(QuietTick{"idle", true, "\r\nXXX"},
                                           QuietTick{"error_page", true, "<html>down</html>"},
                                           QuietTick{"no_answer", false, ""}),
                         [](const ::testing::TestParamInfo<QuietTick>& param) {
                           return std::string(param.param.name);
                         });

TEST_F(ExchangeFaults, ForcedLogoutDoesNotTouchTheFilesEvenWithVersionsWaiting) {
  log_in();
  fail_when = [](core::FileOp op, std::string_view name) {
    return op == core::FileOp::Write && name == "Lumari.log.tmp";
  };
  tick_with(orders_answer({order("1", 1)}));
  fail_when = nullptr;
  (void)take_exchange_calls();
  tick_with("\r\nYYY");
  EXPECT_TRUE(take_exchange_calls().empty());
  EXPECT_EQ(h.session().sync.unsaved_log_lines.size(), 1u);
}

}  // namespace
}  // namespace lumari::test
