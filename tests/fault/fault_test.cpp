// File faults. Every file operation of a fetch cycle is made to fail in turn
// (alone, with every later one, with the next two, or with every later one on
// the same file), and in the last pass at Exit; a soak of random faults runs
// against the reference model; and real file systems are read-only or full.
// Whatever fails, no order version is lost, each file is either as it was or as
// a fault-free run wrote it, no temporary file stays, and polling goes on.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "random_cases.h"
#include "reference_model.h"
#include "shell/data_folder.h"
#include "support/app_harness.h"
#include "support/printable.h"
#include "text/file_io.h"

namespace lumari::test {
namespace {

namespace fs = std::filesystem;
using core::FileOp;
using Pick = std::function<bool(std::size_t number, FileOp op, const std::string& path)>;

// Counts every file operation the core asks for and refuses those `pick` names.
struct Faults {
  Faults() {
    core::set_file_fault_hook([this](FileOp op, const std::string& path) {
      calls.push_back(path);
      return pick && pick(calls.size(), op, path);
    });
  }
  ~Faults() { core::set_file_fault_hook(nullptr); }
  void arm(Pick p) {
    calls.clear();
    pick = std::move(p);
  }
  /// Files written since the last arm(): each goes to a temporary file first.
  [[nodiscard]] long writes() const {
    return std::count_if(calls.begin(), calls.end(),
                         [](const std::string& path) { return path.ends_with(".tmp"); });
  }
  Pick pick;
  std::vector<std::string> calls;
};

struct Files {
  std::string log, current;
  friend bool operator==(const Files&, const Files&) = default;
};

// Two files hold the same versions: the same lines, none twice in the log.
std::string differences(const Files& got, const Files& want) {
  const auto set = [](const std::string& text) {
    const auto lines = lines_of(text);
    return std::multiset<std::string>(lines.begin(), lines.end());
  };
  const auto log = set(got.log);
  if (std::set<std::string>(log.begin(), log.end()).size() != log.size())
    return "a line twice in the log";
  if (log != set(want.log)) return "log " + printable(got.log) + " wanted " + printable(want.log);
  if (set(got.current) != set(want.current))
    return "current " + printable(got.current) + " wanted " + printable(want.current);
  return "";
}

std::string v(int ticket, int minute, const char* price) {
  char line[96];
  std::snprintf(line, sizeof line,
                "m=2026.12.07 09:%02d:0000,EURUSD,t=%d,buy,0.10,%s,0,0,open,x,s=7", minute, ticket,
                price);
  return line;
}
std::string answer(const std::vector<std::string>& pieces) {
  std::string text = "\r\n";
  for (const auto& piece : pieces) text += piece + ";\n";
  return text;
}
const std::string kStartLog =
    crlf({v(101, 0, "1.10"), v(102, 1, "1.20"), v(101, 2, "1.11"), v(103, 3, "0.90")});
const std::string kStartCurrent = crlf({v(102, 1, "1.20"), v(101, 2, "1.11"), v(103, 3, "0.90")});
const std::string kWarmUp = answer({v(101, 2, "1.11"), v(102, 1, "1.20"), v(103, 3, "0.90")});
const std::string kFirst = answer({v(101, 2, "1.11"), v(102, 4, "1.23"), v(104, 5, "1.30"), "",
                                   v(103, 6, "0.97"), v(104, 5, "1.30")});
const std::string kSecond =
    answer({v(104, 5, "1.30"), v(101, 7, "1.19"), v(105, 8, "1.40"), v(102, 4, "1.23")});
const std::string kEmpty;  // an orders answer without lines: the pass still runs
const std::string kIdle = "\r\nXXX";

// The program logged in with one system, its exchange files in the state above.
struct Program {
  explicit Program(bool warm = true) {
    h.log_in("1234;11;Alpha");
    if (!warm) return;
    h.write_exchange(core::kOrderLogFile, kStartLog);
    h.write_exchange(core::kCurrentOrderFile, kStartCurrent);
    tick(kWarmUp);
  }
  void tick(core::Result<std::string> text) {
    h.web.answer("/GetTD.do", std::move(text));
    h.app->FrmMainMdi_mytimer_Timer();
  }
  [[nodiscard]] Files files() const {
    return {h.exchange(core::kOrderLogFile), h.exchange(core::kCurrentOrderFile)};
  }
  [[nodiscard]] bool waiting() { return !h.session().sync.unsaved_log_lines.empty(); }
  [[nodiscard]] bool clean_folder() const {
    return folder_listing(h.exchange_folder) == "Lumari.log ServerOrder.log";
  }
  AppHarness h;
};

std::vector<Files> fault_free(const std::vector<std::string>& answers,
                              std::size_t* operations = nullptr) {
  Program run;
  Faults faults;
  std::vector<Files> after;
  for (const auto& a : answers) {
    run.tick(a);
    if (operations && after.empty()) *operations = faults.calls.size();
    after.push_back(run.files());
  }
  return after;
}

Pick held_from(std::size_t n) {  // another program holds the file of operation n
  return [n, held = std::string(), op_held = FileOp::Read](std::size_t number, FileOp op,
                                                           const std::string& path) mutable {
    if (number == n) held = path, op_held = op;
    return !held.empty() && op == op_held && path == held;
  };
}

TEST(FileFaults, AnyOperationOfACycleRefusedLosesNoVersion) {
  {  // The first pass after a start finds files as they should be: neither is written.
    Program cold(false);
    cold.h.write_exchange(core::kOrderLogFile, kStartLog);
    cold.h.write_exchange(core::kCurrentOrderFile, kStartCurrent);
    Faults faults;
    cold.tick(kWarmUp);
    EXPECT_EQ(faults.writes(), 0);
  }
  std::size_t operations = 0;
  const Files fault_free_first = fault_free({kFirst}, &operations)[0];
  ASSERT_GT(operations, 4u);
  const struct {
    const char* name;
    std::function<Pick(std::size_t)> plan;
  } plans[] = {
      {"only", [](std::size_t n) -> Pick { return [n](auto i, FileOp, auto&) { return i == n; }; }},
      {"from", [](std::size_t n) -> Pick { return [n](auto i, FileOp, auto&) { return i >= n; }; }},
      {"three",
       [](std::size_t n) -> Pick { return [n](auto i, FileOp, auto&) { return i - n < 3; }; }},
      {"held", held_from},
  };
  // What a fault-free run holds after each recovery answer, the same for every plan.
  const std::pair<std::string, Files> recoveries[] = {
      {kFirst, fault_free({kFirst, kIdle, kFirst}).back()},
      {kEmpty, fault_free({kFirst, kIdle, kEmpty}).back()}};
  for (const auto& plan : plans) {
    for (const auto& [recovery, recovered] : recoveries) {
      for (std::size_t n = 1; n <= operations; ++n) {
        SCOPED_TRACE(std::string(plan.name) + " " + std::to_string(n) +
                     (recovery.empty() ? ", empty" : ", same"));
        Program run;
        const Files before = run.files();
        Faults faults;
        faults.arm(plan.plan(n));
        run.tick(kFirst);
        faults.arm(nullptr);
        const Files after = run.files();
        EXPECT_TRUE(after.log == before.log || after.log == fault_free_first.log);
        EXPECT_TRUE(after.current == before.current || after.current == fault_free_first.current);
        // Saved exactly when both files got their content; versions wait exactly when the log did
        // not.
        EXPECT_EQ(run.h.app->last_cycle().saved, after == fault_free_first);
        EXPECT_EQ(run.waiting(), after.log != fault_free_first.log);
        EXPECT_TRUE(run.h.ui.timer_enabled);
        // An idle answer catches up what lags behind, and touches nothing otherwise.
        const bool behind = run.waiting() || run.h.session().sync.current_orders_unsaved;
        run.tick(kIdle);
        EXPECT_EQ(run.files(), behind ? fault_free_first : after);
        EXPECT_TRUE(behind || faults.calls.empty());
        run.tick(recovery);
        EXPECT_EQ(differences(run.files(), recovered), "");
        EXPECT_TRUE(run.clean_folder()) << folder_listing(run.h.exchange_folder);
        EXPECT_FALSE(run.waiting());
        EXPECT_EQ(run.h.session().counterLumarilog, 3);
        // Known versions change neither file, so neither is written again.
        faults.arm(nullptr);
        run.tick(kFirst);
        EXPECT_EQ(faults.writes(), 0);
      }
    }
  }
}

// Exit gives versions waiting in memory one last pass; whatever fails in it,
// both files stay whole and the program still ends.
TEST(FileFaults, AnyOperationOfTheLastPassAtExitRefusedLeavesBothFilesWhole) {
  const Files merged = fault_free({kFirst})[0];
  for (std::size_t n = 0;; ++n) {
    SCOPED_TRACE(n);
    Program run;
    Faults faults;
    faults.arm([](std::size_t, FileOp op, const std::string& path) {
      return op == FileOp::Write && path.ends_with("Lumari.log.tmp");
    });
    run.tick(kFirst);
    ASSERT_TRUE(run.waiting());
    const Files before = run.files();
    faults.arm([n](std::size_t i, FileOp, auto&) { return i == n; });
    run.h.app->FrmMainMdi_mnulvex_Click();
    EXPECT_TRUE(run.h.ui.ended);
    const Files after = run.files();
    EXPECT_TRUE(after.log == before.log || after.log == merged.log);
    EXPECT_TRUE(after.current == before.current || after.current == merged.current);
    EXPECT_TRUE(run.clean_folder());
    if (n == 0) EXPECT_EQ(after, merged);
    if (n > faults.calls.size()) break;
  }
}

// Random answers of few orders, with random faults: mostly none, sometimes single
// operations, a file held for a few attempts, or an outage of many cycles. Each
// cycle that saves leaves both files as the reference model, fed the same
// answers without faults, has them.
TEST(FileFaults, RandomFaultsOverManyCyclesLoseNoVersion) {
  RandomCases random(20261207);
  const auto plans = random.versions(6, 16);
  Program run(false);
  Faults faults;
  PassInput model{"", "", "", false};
  std::size_t outage = 0, saved = 0;
  for (std::size_t cycle = 0; cycle < 1000; ++cycle) {
    SCOPED_TRACE(cycle);
    if (outage > 0) {
      --outage;
    } else if (random.chance(2)) {
      outage = 1 + random.pick(20);
      const FileOp op = random.chance(50) ? FileOp::Write : FileOp::Read;
      faults.arm([op](std::size_t, FileOp o, const std::string& path) {
        return o == op && path.ends_with(".log");
      });
    } else if (random.chance(12)) {
      faults.arm([&random](std::size_t, FileOp, auto&) { return random.chance(30); });
    } else if (random.chance(3)) {
      faults.arm(held_from(1 + random.pick(8)));
    } else {
      faults.arm(nullptr);
    }
    const bool idle = random.chance(10);
    const std::string text = idle ? kIdle : random.answer(plans, 6);
    if (!idle) {
      model.answer = text;
      const PassOutput out = run_reference_pass(model);
      model = {"", out.log, out.current, out.srvseen};
    }
    run.tick(text);
    ASSERT_TRUE(run.h.ui.timer_enabled);
    if (!idle && run.h.app->last_cycle().saved) {
      ASSERT_FALSE(run.waiting());
      ASSERT_EQ(differences(run.files(), {model.log, model.current}), "");
      ++saved;
    }
  }
  EXPECT_GT(saved, 650u);
}

// Runs the body in a child process with user and mount namespaces of its own,
// where it may mount file systems that stop writes even for root.
void in_namespace(const std::function<void()>& body) {
  std::fflush(nullptr);
  const uid_t uid = ::getuid();
  const gid_t gid = ::getgid();
  const pid_t child = ::fork();
  if (child == 0) {
    const auto put = [](const char* path, const std::string& text) { std::ofstream(path) << text; };
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) ::_exit(77);
    put("/proc/self/setgroups", "deny");
    put("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
    put("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) ::_exit(77);
    body();
    std::fflush(nullptr);
    ::_exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77)
    GTEST_SKIP() << "no user and mount namespaces here";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the checks that failed are printed above";
}

// Fills the file system of the folder until only `left` bytes fit.
void fill(const std::string& folder, std::uintmax_t left) {
  const fs::path filler = fs::path(folder) / "filler";
  std::ofstream out(filler, std::ios::binary);
  const std::string block(4096, 'f');
  while (out.write(block.data(), block.size())) {
  }
  out.close();
  const auto size = fs::file_size(filler);
  fs::resize_file(filler, size > left ? size - left : 0);
}

TEST(FileFaults, ReadOnlyOrFullFileSystemKeepsBothFilesWholeUntilItIsWritable) {
  const Files merged = fault_free({kFirst, kSecond, kEmpty}).back();
  const char* const kinds[] = {"read-only", "full", "no room for the log"};
  for (const std::string kind : kinds) {
    SCOPED_TRACE(kind);
    in_namespace([&] {
      std::string big_log = kStartLog;  // for a log that no longer fits where the current file does
      for (int i = 0; kind == "no room for the log" && i < 600; ++i)
        big_log = crlf({v(100, i % 60, "1.00") + std::to_string(i)}) + big_log;
      Program run(false);
      const std::string& folder = run.h.exchange_folder;
      if (kind != "read-only")
        ASSERT_EQ(::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=256k"), 0);
      run.h.write_exchange(core::kOrderLogFile, big_log);
      run.h.write_exchange(core::kCurrentOrderFile, kStartCurrent);
      run.tick(kWarmUp);
      const Files before = run.files();
      if (kind == "read-only") {
        ASSERT_EQ(::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr), 0);
        ASSERT_EQ(
            ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr),
            0);
      } else {
        fill(folder, kind == "full" ? 0 : 3 * 4096);
      }
      for (const auto& a : {kFirst, kSecond}) {
        run.tick(a);
        EXPECT_EQ(run.files().log, before.log);
        EXPECT_FALSE(run.h.app->last_cycle().saved);
        EXPECT_NE(run.h.app->last_cycle().problem, "");
        EXPECT_TRUE(run.waiting());
        EXPECT_TRUE(run.h.ui.timer_enabled);
      }
      if (kind == "read-only") {
        ASSERT_EQ(::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND, nullptr), 0);
        EXPECT_EQ(run.files(), before);
      } else {
        fs::remove(fs::path(folder) / "filler");
      }
      EXPECT_TRUE(run.clean_folder()) << folder_listing(folder);
      run.tick(kEmpty);
      EXPECT_TRUE(run.h.app->last_cycle().saved) << run.h.app->last_cycle().problem;
      EXPECT_FALSE(run.waiting());
      if (kind != "no room for the log") EXPECT_EQ(differences(run.files(), merged), "");
      EXPECT_TRUE(run.clean_folder());
      ::umount2(folder.c_str(), MNT_DETACH);
    });
  }
}

}  // namespace
}  // namespace lumari::test
