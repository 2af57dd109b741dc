// The core's App in this process with the platform's web client (curl, or
// WinHTTP under Wine) against the demo service, on fake UI, clock and adapters
// over real temporary folders: every way the service can fail an order request,
// as the shared table has it, and on Windows an exchange file held open by
// another program across a tick. tests/support/wine_run.sh starts the service
// and runs one test at a time.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <thread>

#include "reference_model.h"
#include "shell/data_folder.h"
#include "support/app_harness.h"
#include "support/runner_environment.h"
#include "support/service_faults.h"
#include "text/file_io.h"
#include "text/line_file.h"
#include "web/loopback_server.h"
#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include "win32/unique_handle.h"
#include "win32/winhttp_web_client.h"
#define LUMARI_PLATFORM(native, windows) windows
#else
#include "headless/curl_web_client.h"
#define LUMARI_PLATFORM(native, windows) native
#endif

namespace lumari::test {
namespace {

using namespace std::chrono_literals;
using core::AnswerKind;
using Millis = std::chrono::milliseconds;

constexpr Millis kDeadline{core::WebClientLimits{}.deadline_ms};
const char* const kKinds[] = {"None", "Orders", "Idle", "ForcedLogout", "ErrorPage", "NoAnswer"};

using Moment = std::chrono::steady_clock::time_point;

[[nodiscard]] std::unique_ptr<core::WebClient> web_client() {
  return LUMARI_PLATFORM(headless::make_curl_web_client, win32::make_winhttp_web_client)();
}

/// "NoAnswer (timed out)", "Orders, 2 new, saved".
[[nodiscard]] std::string describe(const core::CycleReport& r) {
  std::string text = kKinds[static_cast<int>(r.kind)];
  if (r.kind == AnswerKind::Orders)
    text += ", " + std::to_string(r.new_versions) + (r.saved ? " new, saved" : " new, not saved");
  return r.problem.empty() ? text : text + " (" + r.problem + ")";
}

/// Idle and order answers saved whole: how a tick ends when nothing fails.
[[nodiscard]] bool is_good(const core::CycleReport& r) {
  return (r.kind == AnswerKind::Orders || r.kind == AnswerKind::Idle) && r.saved &&
         r.problem.empty();
}

struct Tick {
  core::CycleReport report;
  Millis took{0};
  Moment ended;
};

class WineFault : public ::testing::Test {
 protected:
  void SetUp() override {
    url_ = runner_value("LUMARI_SERVICE_URL");
    request_log_ = runner_value("LUMARI_REQUEST_LOG");
    ASSERT_FALSE(url_.empty() || request_log_.empty())
        << "run through tests/support/wine_run.sh, which starts the native demo service";
#ifdef _WIN32
    // As the Windows program does: replaced files reach the disk before the rename.
    core::set_file_sync([](std::FILE* file) { return _commit(_fileno(file)) == 0; });
#endif
    // A fault left over from an earlier test on the same service would hit this one.
    ASSERT_NO_FATAL_FAILURE(set_fault("none", 0));
    sent_before_ = sent_lines().size();
    h_.install();
    h_.app->FrmMainMdi_Form_Load();
    h_.app->FrmMainMdi_mnuFlSi_Click();
    session().login.controls.txtUser = "demo@example.com";
    session().login.controls.txtPass = "demo";
    h_.app->frmLogin_cmdLogin_Click();
    ASSERT_TRUE(h_.ui.messages.empty()) << h_.ui.messages.front().text;
    ASSERT_EQ(session().systemid, "11");
    ASSERT_TRUE(polling());
    for (int i = 0; i < 20 && lines(core::kOrderLogFile).empty(); ++i)
      ASSERT_TRUE(is_good(tick().report)) << "tick " << i + 1;
    ASSERT_FALSE(lines(core::kOrderLogFile).empty()) << "no order answer in 20 ticks";
  }
  void TearDown() override {
    core::set_file_fault_hook(nullptr);
    core::set_file_sync(nullptr);
  }

  [[nodiscard]] core::Session& session() { return h_.session(); }
  [[nodiscard]] Tick tick() {
    const auto started = std::chrono::steady_clock::now();
    h_.app->FrmMainMdi_mytimer_Timer();
    const Moment ended = std::chrono::steady_clock::now();
    return {h_.app->last_cycle(), std::chrono::duration_cast<Millis>(ended - started), ended};
  }
  /// Ticks, each of which must end well, until one saves new versions; the ticks.
  [[nodiscard]] std::vector<Tick> tick_until_new_versions_saved() {
    std::vector<Tick> ticks;
    for (int i = 0; i < 30; ++i) {
      ticks.push_back(tick());
      const core::CycleReport& r = ticks.back().report;
      EXPECT_TRUE(is_good(r)) << "tick " << i + 1 << ": " << describe(r);
      if (!is_good(r) || (r.kind == AnswerKind::Orders && r.new_versions > 0)) return ticks;
    }
    ADD_FAILURE() << "no new versions in 30 ticks";
    return ticks;
  }
  [[nodiscard]] core::Result<std::string> service_get(const std::string& path) {
    return web_client()->get(url_ + path);
  }
  /// The service's fault mode for the next `count` order requests (0: until changed).
  void set_fault(const std::string& mode, int count) {
    const std::string request =
        "/demo/fault?mode=" + mode + (count > 0 ? "&count=" + std::to_string(count) : "");
    const auto answer = service_get(request);
    ASSERT_TRUE(answer && answer->starts_with("OK")) << request;
  }
  /// The order lines the service sent for the system since the test began.
  [[nodiscard]] std::vector<std::string> sent_lines() {
    const auto answer = service_get("/demo/sent?systemid=11");
    EXPECT_TRUE(answer) << "/demo/sent";
    std::vector<std::string> sent = core::split_lines(answer ? *answer : "");
    sent.erase(sent.begin(), sent.begin() + std::min(sent_before_, sent.size()));
    return sent;
  }
  [[nodiscard]] std::size_t order_requests() const {
    return request_lines(read_bytes(request_log_), "/GetTD.do").size();
  }
  [[nodiscard]] std::vector<std::string> lines(std::string_view file) const {
    return core::split_lines(h_.exchange(file));
  }
  [[nodiscard]] bool polling() {
    return session().main.swlogin == 1 && session().main.mytimer_enabled && h_.ui.timer_enabled;
  }
  /// The order log holds every version sent once, in the order first sent; the
  /// current-order file the latest version of every order; nothing waits.
  void expect_everything_sent_is_merged(const char* after) {
    const std::vector<std::string> sent = sent_lines();
    ASSERT_FALSE(sent.empty()) << after << ": the service sent nothing";
    const PassOutput want = files_from_sent(sent);
    EXPECT_EQ(h_.exchange(core::kOrderLogFile), want.log) << after;
    EXPECT_EQ(sorted_lines(h_.exchange(core::kCurrentOrderFile)), sorted_lines(want.current))
        << after;
    EXPECT_TRUE(session().sync.unsaved_log_lines.empty()) << after << ": versions still wait";
    EXPECT_EQ(folder_listing(h_.exchange_folder), "Lumari.log ServerOrder.log") << after;
    EXPECT_TRUE(polling()) << after;
  }

  AppHarness h_{web_client, runner_value("LUMARI_SERVICE_URL")};
  std::string url_, request_log_;
  std::size_t sent_before_ = 0;
};

class FaultMatrix : public WineFault, public ::testing::WithParamInterface<ServiceFault> {};

TEST_P(FaultMatrix, TickEndsInTimeFilesStayAndTheNextAnswerIsMerged) {
  const ServiceFault fault = GetParam();
  const std::string log_before = h_.exchange(core::kOrderLogFile);
  const std::string current_before = h_.exchange(core::kCurrentOrderFile);
  const std::size_t requests_before = order_requests();
  // The client of the fetch cycle is kept for the run; only the address it is
  // sent to changes for the one tick.
  std::optional<RefusingPort> nobody;
  const std::string host = session().main.host;
  if (fault.mode == std::string("refuse")) {
    ASSERT_NE(nobody.emplace().port(), 0) << "no port on 127.0.0.1 could be bound";
    session().main.host = "http://127.0.0.1:" + std::to_string(nobody->port());
  } else {
    ASSERT_NO_FATAL_FAILURE(
        set_fault(fault.mode, LUMARI_PLATFORM(fault.requests, fault.requests_winhttp)));
  }
  const Tick faulty = tick();
  session().main.host = host;
  const std::string shown = describe(faulty.report);
  const char* ends[] = {"NoAnswer", "ErrorPage", "Orders", ""};
  if (fault.end == FaultEnd::AnyGood) EXPECT_TRUE(is_good(faulty.report)) << shown;
  if (fault.end != FaultEnd::AnyGood) EXPECT_TRUE(shown.starts_with(ends[int(fault.end)])) << shown;
  EXPECT_TRUE(
      problem_allowed(LUMARI_PLATFORM(fault.problem, fault.problem_winhttp), faulty.report.problem))
      << shown;
  const auto least = fault.waits_for_deadline ? kDeadline : fault.delay;
  // A 16 MiB body takes longer to refuse; WinHTTP's timer and the test's clock
  // may differ by a timer tick or two.
  EXPECT_LT(faulty.took, least + (fault.mode == std::string("huge") ? 5s : 2s)) << shown;
  EXPECT_GE(faulty.took + 50ms, least) << shown;
  EXPECT_EQ(order_requests() - requests_before,
            std::size_t(LUMARI_PLATFORM(fault.requests, fault.requests_winhttp)))
      << shown;
  if (fault.delay == 0ms) {
    EXPECT_EQ(h_.exchange(core::kOrderLogFile), log_before) << shown;
    EXPECT_EQ(h_.exchange(core::kCurrentOrderFile), current_before) << shown;
  }
  EXPECT_EQ(folder_listing(h_.exchange_folder), "Lumari.log ServerOrder.log") << shown;
  EXPECT_TRUE(polling()) << "polling stopped after " << shown;
  EXPECT_TRUE(h_.ui.messages.empty()) << h_.ui.messages.front().text;
  ASSERT_FALSE(tick_until_new_versions_saved().empty());
  expect_everything_sent_is_merged("after the recovery ticks");
  std::printf("[ FAULT    ] %s: %s in %lld ms\n", fault.mode, shown.c_str(),
              static_cast<long long>(faulty.took.count()));
}

INSTANTIATE_TEST_SUITE_P(Service, FaultMatrix, ::testing::ValuesIn(kServiceFaults),
                         [](const auto& p) {
                           std::string name = p.param.mode;
                           std::replace(name.begin(), name.end(), '-', '_');
                           std::replace(name.begin(), name.end(), ':', '_');
                           return name;
                         });

#ifdef _WIN32
/// Renames a tick tries before it gives up, and the pauses between them.
constexpr std::size_t kRenameAttempts = 8;
constexpr Millis kRetryPauses = 1030ms;

struct FileTraits {
  using Handle = HANDLE;
  static Handle invalid() { return INVALID_HANDLE_VALUE; }
  static void close(Handle handle) { CloseHandle(handle); }
};

/// Holds the file open without sharing deletion, as the MT4 side may, for
/// `hold` on a thread of its own; released() waits and gives the performance
/// counter just before it let go.
class Holder {
 public:
  Holder(const std::string& path, Millis hold)
      : file_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)),
        thread_([this, hold] {
          Sleep(static_cast<DWORD>(hold.count()));
          released_ = std::chrono::steady_clock::now();
          file_.reset();
        }) {}
  ~Holder() { (void)released(); }
  [[nodiscard]] bool holds() const { return static_cast<bool>(file_); }
  [[nodiscard]] Moment released() {
    if (thread_.joinable()) thread_.join();
    return released_;
  }

 private:
  win32::UniqueHandle<FileTraits> file_;
  Moment released_;
  std::thread thread_;
};

struct Hold {
  const char* file;
  Millis hold;  ///< less than the renames are retried, or well beyond it
};

class HeldFile : public WineFault, public ::testing::WithParamInterface<Hold> {};

// A short hold is waited out within the tick; a long one is not, and what the
// tick could not save goes out with a later one.
TEST_P(HeldFile, ShortHoldIsWaitedOutLongOneKeepsTheOldFileWholeAndALaterAnswerMergesOnce) {
  const auto [file, hold] = GetParam();
  const bool log_held = file == std::string(core::kOrderLogFile);
  const std::string held = (std::filesystem::path(h_.exchange_folder) / file).string();
  std::vector<Moment> renames;
  core::set_file_fault_hook([&renames, held](core::FileOp op, const std::string& path) {
    if (op == core::FileOp::Rename && path == held)
      renames.push_back(std::chrono::steady_clock::now());
    return false;  // watches only
  });
  // A tick whose answer brings no new version, or that came to the rename only
  // after the file was let go, proves nothing and is tried again.
  Tick t;
  std::string log_before, current_before;
  for (int attempt = 1;; ++attempt) {
    ASSERT_LE(attempt, 10) << "no tick with new versions while the file was held";
    log_before = h_.exchange(core::kOrderLogFile);
    current_before = h_.exchange(core::kCurrentOrderFile);
    renames.clear();
    Holder holder(held, hold);
    ASSERT_TRUE(holder.holds()) << "cannot open " << held;
    t = tick();
    const Moment released = holder.released();
    ASSERT_TRUE(t.report.kind == AnswerKind::Orders || t.report.kind == AnswerKind::Idle);
    if (t.report.kind == AnswerKind::Orders && t.report.new_versions > 0 && !renames.empty() &&
        renames.front() < released) {
      EXPECT_EQ(hold > kRetryPauses, t.ended < released) << "the tick's end and the hold's";
      break;
    }
  }
  const std::string shown = describe(t.report);
  EXPECT_EQ(folder_listing(h_.exchange_folder), "Lumari.log ServerOrder.log");
  if (hold < kRetryPauses) {
    EXPECT_TRUE(t.report.saved && t.report.problem.empty()) << shown;
    EXPECT_GE(renames.size(), 2u) << "the first rename should have been refused";
    EXPECT_LT(renames.size(), kRenameAttempts) << "the tick gave up";
    expect_everything_sent_is_merged("after the tick");
    return;
  }
  const std::vector<std::string> sent = sent_lines();
  EXPECT_FALSE(t.report.saved) << shown;
  EXPECT_NE(t.report.problem.find("cannot replace file"), std::string::npos) << shown;
  EXPECT_EQ(renames.size(), kRenameAttempts);
  EXPECT_GE(t.took, kRetryPauses) << shown;
  EXPECT_LT(t.took, kRetryPauses + 2s) << shown;
  EXPECT_TRUE(polling());
  const PassOutput want = files_from_sent(sent);
  if (log_held) {
    // The order log keeps its old content whole; the current-order file is
    // written all the same and may hold the new versions already.
    EXPECT_EQ(h_.exchange(core::kOrderLogFile), log_before);
    const std::string current = h_.exchange(core::kCurrentOrderFile);
    EXPECT_TRUE(current == current_before || sorted_lines(current) == sorted_lines(want.current))
        << current;
    std::vector<std::string> waiting = lines_of(want.log);
    std::erase_if(waiting, [&](const std::string& line) {
      return log_before.find(line + "\r\n") != std::string::npos;
    });
    EXPECT_EQ(session().sync.unsaved_log_lines, waiting)
        << "the versions the order log could not take should wait in memory";
  } else {
    EXPECT_EQ(h_.exchange(core::kCurrentOrderFile), current_before);
    EXPECT_EQ(h_.exchange(core::kOrderLogFile), want.log);
    EXPECT_TRUE(session().sync.unsaved_log_lines.empty());
  }
  // The waiting versions go out with the next order answer.
  ASSERT_FALSE(tick_until_new_versions_saved().empty());
  expect_everything_sent_is_merged("after the file was let go");
}

INSTANTIATE_TEST_SUITE_P(
    Wine, HeldFile,
    ::testing::Values(Hold{"Lumari.log", 300ms}, Hold{"ServerOrder.log", 300ms},
                      Hold{"Lumari.log", 4000ms}, Hold{"ServerOrder.log", 4000ms}),
    [](const auto& p) {
      std::string name = (p.param.hold > 1s ? "long_" : "briefly_") + std::string(p.param.file);
      std::replace(name.begin(), name.end(), '.', '_');
      return name;
    });

#endif

}  // namespace
}  // namespace lumari::test
