// The exchange files around the pass: the file operations a cycle asks for, the
// first load of the run, files that cannot be read, a missing exchange folder,
// and versions that wait in memory until the files can take them. Single file
// faults of a cycle are the fault tier's sweep; these are the decisions it
// does not make.
#include <optional>

#include "cycle_run.h"

namespace lumari::test {
namespace {

namespace fs = std::filesystem;

// The file operations of the last steps, logged in with one system.
struct OpsRow : NamedRow {
  std::string before, last, ops;
};
class FileOperations : public ::testing::TestWithParam<OpsRow> {};

TEST_P(FileOperations, AreTheseInThisOrder) {
  CycleRun run;
  run.play("login, " + GetParam().before);
  (void)run.ops();
  run.play(GetParam().last);
  EXPECT_EQ(run.ops(), GetParam().ops);
}

const std::string kPassReads = "Read Lumari.log, Read SystemOrder.log, Read ServerOrder.log",
                  kWaits = "refuse Write Lumari.log.tmp, @1 14:01, heal";
INSTANTIATE_TEST_SUITE_P(
    Cycle, FileOperations,
    ::testing::Values(
        // The log goes first: every line the current-order file offers is logged already.
        OpsRow{"log_then_current_orders", "", "@1 14:01",
               kPassReads + ", Write Lumari.log.tmp, Rename Lumari.log, "
                            "Write ServerOrder.log.tmp, Rename ServerOrder.log"},
        OpsRow{"a_forced_logout_with_versions_waiting", kWaits, "yyy", ""},
        OpsRow{"Exit_merges_waiting_versions", kWaits, "Exit",
               kPassReads + ", Write Lumari.log.tmp, Rename Lumari.log, Append lumari.dat"},
        OpsRow{"Exit_with_nothing_waiting", "@1 14:01", "Exit", "Append lumari.dat"}),
    row_name<OpsRow>);

// The first load of the fetcher window empties the current-order file and
// writes the login date into the date file unless its last line holds it.
struct DateRow : NamedRow {
  std::optional<std::string> before;
  bool written;
};
class DateFile : public ::testing::TestWithParam<DateRow> {};

TEST_P(DateFile, FirstLoadWritesTheLoginDateUnlessTheLastLineIsIt) {
  const DateRow& row = GetParam();
  CycleRun run;
  if (row.before) run.h.write_data("datefile.dat", *row.before);
  run.h.write_exchange("Lumari.log", lines("@1 14:01"));
  run.h.write_exchange("ServerOrder.log", lines("@1 14:01"));
  run.h.log_in("1234;11;Alpha");
  EXPECT_EQ(run.ops().find("Write datefile.dat.tmp") != std::string::npos, row.written);
  EXPECT_EQ(printable(run.h.data("datefile.dat")),
            printable(row.written ? " 20261205\r\n" : *row.before));
  EXPECT_EQ(run.x("ServerOrder.log"), "");
  EXPECT_EQ(run.x("Lumari.log"), lines("@1 14:01"));
}

INSTANTIATE_TEST_SUITE_P(Days, DateFile,
                         ::testing::Values(DateRow{"missing", std::nullopt, true},
                                           DateRow{"empty", "", true},
                                           DateRow{"the_date", " 20261205\r\n", false},
                                           DateRow{"the_date_unended", " 20261205", false},
                                           DateRow{"the_date_last", "x\r\n 20261205\r\n", false},
                                           DateRow{"the_date_last_LF", " 0\r\n 20261205\n", false},
                                           DateRow{"a_line_after", " 20261205\r\nx\r\n", true},
                                           DateRow{"no_blank", "20261205\r\n", true},
                                           DateRow{"an_earlier_date", " 20261204\r\n", true},
                                           DateRow{"a_blank_after", " 20261205 \r\n", true},
                                           DateRow{"two_blanks", "  20261205\r\n", true},
                                           DateRow{"an_empty_line", " 20261205\r\n\r\n", true},
                                           DateRow{"zero", " 0\r\n", true}),
                         row_name<DateRow>);

TEST(FirstLoad, ComesWithTheSystemFollowedOncePerRun) {
  CycleRun run;
  run.h.write_data("datefile.dat", " 20200101\r\n");
  run.h.write_exchange("ServerOrder.log", lines("@1 14:01"));
  run.play("login 1234;11;Alpha;12;Beta");
  EXPECT_EQ(run.x("ServerOrder.log"), lines("@1 14:01"));
  run.h.web.answer("/LumariLoginSelectSystemAction.do", std::string("ok"));
  run.h.session().selection.controls.cmbsystem_text = "12 Beta";
  run.h.app->FrmSys_CmdProcced_Click();
  EXPECT_EQ(run.x("ServerOrder.log"), "");
  run.play("@2 14:02, Logout, at 6 08:00:00, Login");
  EXPECT_EQ(run.x("ServerOrder.log"), lines("@2 14:02"));
  EXPECT_EQ(run.h.data("datefile.dat"), " 20261205\r\n");
}

// A file that exists but cannot be read stops the cycle before the pass, which
// would otherwise write back less than there is; the system order file does not.
struct UnreadableRow : NamedRow {
  std::string file;
  bool folder;
};
class Unreadable : public ::testing::TestWithParam<UnreadableRow> {};

TEST_P(Unreadable, FileStopsTheCycleAndItsVersionsWait) {
  const UnreadableRow& row = GetParam();
  const bool stops = row.file != "SystemOrder.log";
  CycleRun run;
  const fs::path path = fs::path(run.h.exchange_folder) / row.file;
  run.h.write_exchange("Lumari.log", lines("@1 14:01"));
  run.h.write_exchange("SystemOrder.log", "s1,a\r\n");
  run.play("login, @1 14:01");
  if (row.folder) fs::remove(path), fs::create_directory(path);
  run.play((row.folder ? "" : "refuse Read " + row.file + ", ") + "@2 14:02");
  EXPECT_EQ(run.cycle().problem, stops ? "cannot read " + row.file : "");
  EXPECT_EQ(run.waiting(), stops ? lines("@2 14:02") : "");
  // The system order file's list is emptied before each load.
  EXPECT_EQ(run.h.session().fetcher.sysord.size(), stops ? 1u : 0u);
  if (row.folder) {
    EXPECT_TRUE(fs::is_directory(path));
    return;
  }
  if (stops) {
    EXPECT_EQ(run.x("Lumari.log") + run.x("ServerOrder.log"), lines("@1 14:01|@1 14:01"));
  }
  run.play("heal, idle");
  EXPECT_EQ(run.x("Lumari.log") + run.x("ServerOrder.log"),
            lines("@1 14:01|@2 14:02|@1 14:01|@2 14:02"));
  EXPECT_EQ(run.x("SystemOrder.log"), "s1,a\r\n");
}

INSTANTIATE_TEST_SUITE_P(Files, Unreadable,
                         ::testing::Values(UnreadableRow{"order_log", "Lumari.log", false},
                                           UnreadableRow{"current_orders", "ServerOrder.log",
                                                         false},
                                           UnreadableRow{"system_orders", "SystemOrder.log", false},
                                           UnreadableRow{"order_log_folder", "Lumari.log", true}),
                         row_name<UnreadableRow>);

// Versions wait while no exchange folder is there, and go in once when it
// appears: the installation's own, or a current terminal's data folder.
struct AppearRow : NamedRow {
  std::string folder;
  bool terminal;
};
class ExchangeFolder : public ::testing::TestWithParam<AppearRow> {};

TEST_P(ExchangeFolder, MissingThenAppearingTakesTheWaitingVersionsOnce) {
  const AppearRow& row = GetParam();
  CycleRun run;
  AppHarness& h = run.h;
  const fs::path root = h.root.path();
  core::TerminalDataRoots terminals;
  if (row.terminal) terminals.roots = {(root / "Terminal").string()};
  h.app = std::make_unique<core::App>(core::Ports{h.ui, h.clock, h.adapters, h.web.factory()},
                                      core::AppConfig{h.data_folder, "http://s", terminals});
  fs::remove_all(h.exchange_folder);
  run.play("login, @1 14:01|@2 14:02");
  EXPECT_EQ(run.cycle().problem, "MT4 folder not found: " + h.exchange_folder);
  run.play("@2 14:02|@3 14:03");
  fs::create_directories(root / row.folder);
  if (row.terminal) write_bytes(root / "Terminal/0A1B/origin.txt", h.mt4_folder);
  run.play("idle");
  const std::string all = lines("@1 14:01|@2 14:02|@3 14:03");
  EXPECT_EQ(read_bytes(root / row.folder / "Lumari.log"), all);
  EXPECT_EQ(read_bytes(root / row.folder / "ServerOrder.log"), all);
  EXPECT_EQ(h.session().counterLumarilog, 3);
}

INSTANTIATE_TEST_SUITE_P(Appearing, ExchangeFolder,
                         ::testing::Values(AppearRow{"experts_files", "mt4/experts/files", false},
                                           AppearRow{"terminal_data_folder",
                                                     "Terminal/0A1B/MQL4/Files", true}),
                         row_name<AppearRow>);

// What waits after a failed write goes into the files at the next tick that
// brings no orders of its own; with nothing waiting such a tick touches no file.
struct WaitRow : NamedRow {
  std::string refuse;
};
class CatchUp : public ::testing::TestWithParam<std::tuple<std::string, WaitRow>> {};

TEST_P(CatchUp, ATickWithoutOrdersWritesWhatWaitsAndNothingElse) {
  const auto& [kind, waits] = GetParam();
  CycleRun run;
  run.h.write_exchange("Lumari.log", lines("@1 14:01"));
  run.play("login, " + waits.refuse + "@1 14:01|@1 14:02, heal");
  (void)run.ops();
  run.play(kind);
  EXPECT_EQ(run.x("Lumari.log") + run.x("ServerOrder.log"), lines("@1 14:01|@1 14:02|@1 14:02"));
  EXPECT_EQ(run.h.session().counterLumarilog, 1);
  EXPECT_EQ(run.ops().empty(), waits.refuse.empty());
  run.play(kind);
  EXPECT_EQ(run.ops(), "");
}

INSTANTIATE_TEST_SUITE_P(
    KindsAndWaits, CatchUp,
    ::testing::Combine(::testing::Values("idle", "page", "none"),
                       ::testing::Values(WaitRow{"versions", "refuse Write Lumari.log.tmp, "},
                                         WaitRow{"current_orders",
                                                 "refuse Write ServerOrder.log.tmp, "},
                                         WaitRow{"nothing", ""})),
    [](const auto& row) {
      return std::get<0>(row.param) + "_" + std::get<1>(row.param).name + "_waiting";
    });

TEST(ExchangeFiles, ACurrentOrderFileNotEmptiedAtTheFirstLoadIsRebuiltNeverMergedInto) {
  CycleRun run;
  run.h.write_exchange("Lumari.log", lines("@1 14:01"));
  run.h.write_exchange("ServerOrder.log", lines("@9 14:09"));
  run.play("refuse Write ServerOrder.log.tmp, login, @2 14:02");
  EXPECT_EQ(run.x("ServerOrder.log"), lines("@9 14:09"));
  run.play("heal, idle");
  EXPECT_EQ(run.x("Lumari.log") + run.x("ServerOrder.log"),
            lines("@1 14:01|@2 14:02|@1 14:01|@2 14:02"));
}

TEST(ExchangeFiles, WaitingVersionsAreBoundedAndTheLatestSurvive) {
  CycleRun run;
  run.play("login, refuse Write Lumari.log.tmp");
  run.h.session().sync.unsaved_limit_bytes = 132;  // three lines of 44 bytes
  run.play("@1 14:01, @1 14:02, @1 14:03, @1 14:04, @1 14:05, @1 14:06, heal, empty");
  EXPECT_EQ(run.x("Lumari.log") + run.x("ServerOrder.log"),
            lines("@1 14:04|@1 14:05|@1 14:06|@1 14:06"));
}

// Bare file names would address the working folder, where no MT4 side reads them.
TEST(ExchangeFiles, WithoutAnMt4FolderNothingIsWrittenUntilOneIsSet) {
  CycleRun run;
  const fs::path cwd = fs::current_path(), elsewhere = run.h.root.path() / "elsewhere";
  fs::create_directories(elsewhere);
  fs::current_path(elsewhere);
  run.h.write_data("install.dat", "\r\n");
  run.h.app->FrmMainMdi_Form_Load();
  run.h.app->frmSettings_cmdCancel_Click();
  run.play("Login, @1 14:01");
  EXPECT_EQ(run.cycle().problem, "no MT4 folder set");
  run.h.menu(core::MenuItem::mnulvset);
  run.h.session().settings.mt4location = run.h.mt4_folder + "terminal.exe";
  run.h.app->frmSettings_cmdSave_Click();
  run.play("idle");
  EXPECT_EQ(run.x("Lumari.log"), lines("@1 14:01"));
  EXPECT_EQ(folder_listing(elsewhere), "");
  fs::current_path(cwd);
}

}  // namespace
}  // namespace lumari::test
