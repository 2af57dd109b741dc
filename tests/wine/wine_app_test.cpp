#include "wine_app_test.h"

#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "shell/data_folder.h"
#include "support/runner_environment.h"
#include "text/file_io.h"
#include "text/line_file.h"
#include "win32/winhttp_web_client.h"

namespace lumari::test {

namespace fs = std::filesystem;

const char* kind_name(core::AnswerKind kind) {
  switch (kind) {
    case core::AnswerKind::None: return "None";
    case core::AnswerKind::Orders: return "Orders";
    case core::AnswerKind::Idle: return "Idle";
    case core::AnswerKind::ForcedLogout: return "ForcedLogout";
    case core::AnswerKind::ErrorPage: return "ErrorPage";
    case core::AnswerKind::NoAnswer: return "NoAnswer";
  }
  return "?";
}

long long performance_counter() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

double counter_ms(long long from, long long to) {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to - from) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::string describe(const core::CycleReport& report) {
  std::string text = kind_name(report.kind);
  if (report.kind == core::AnswerKind::Orders) {
    text += ", " + std::to_string(report.new_versions) + " new";
    text += report.saved ? ", saved" : ", not saved";
  }
  if (!report.problem.empty()) text += " (" + report.problem + ")";
  return text;
}

bool is_good(const core::CycleReport& report) {
  return (report.kind == core::AnswerKind::Orders || report.kind == core::AnswerKind::Idle) &&
         report.saved && report.problem.empty();
}

void WineAppTest::SetUp() {
  service_url_ = runner_value("LUMARI_SERVICE_URL");
  request_log_ = runner_value("LUMARI_REQUEST_LOG");
  ASSERT_FALSE(service_url_.empty() || request_log_.empty())
      << "LUMARI_SERVICE_URL and LUMARI_REQUEST_LOG are not set: run the test through "
         "tests/support/wine_run.sh, which starts the native demo service";

  // As the Windows program does: replaced files reach the disk before the rename.
  core::set_file_sync([](std::FILE* file) { return _commit(_fileno(file)) == 0; });

  control_ = win32::make_winhttp_web_client();
  // A fault left over from an earlier test on the same service would hit this one.
  ASSERT_NO_FATAL_FAILURE(set_fault("none", 0));
  sent_before_ = sent_lines().size();

  h_ = std::make_unique<AppHarness>([] { return win32::make_winhttp_web_client(); }, service_url_);
  h_->install();
}

void WineAppTest::TearDown() {
  core::set_file_fault_hook(nullptr);
  core::set_file_sync(nullptr);
}

void WineAppTest::log_in() {
  h_->app->FrmMainMdi_Form_Load();
  ASSERT_TRUE(h_->ui.messages.empty()) << h_->ui.messages.front().text;
  h_->app->FrmMainMdi_mnuFlSi_Click();
  session().login.controls.txtUser = kEmail;
  session().login.controls.txtPass = kPassword;
  h_->app->frmLogin_cmdLogin_Click();
  ASSERT_TRUE(h_->ui.messages.empty()) << h_->ui.messages.front().text;
  ASSERT_EQ(session().systemid, kSystem);
  ASSERT_TRUE(polling());
}

TickResult WineAppTest::tick() {
  TickResult result;
  const auto started = std::chrono::steady_clock::now();
  result.started = performance_counter();
  h_->app->FrmMainMdi_mytimer_Timer();
  result.ended = performance_counter();
  result.took = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - started);
  result.report = h_->app->last_cycle();
  return result;
}

void WineAppTest::tick_until_orders_logged() {
  for (int i = 0; i < 20 && exchange_lines(core::kOrderLogFile).empty(); ++i) {
    const TickResult result = tick();
    ASSERT_TRUE(is_good(result.report)) << "tick " << i + 1 << ": " << describe(result.report);
  }
  ASSERT_FALSE(exchange_lines(core::kOrderLogFile).empty()) << "no order answer in 20 ticks";
}

std::vector<TickResult> WineAppTest::tick_until_new_versions_saved(int limit) {
  std::vector<TickResult> ticks;
  for (int i = 0; i < limit; ++i) {
    ticks.push_back(tick());
    const core::CycleReport& report = ticks.back().report;
    EXPECT_TRUE(is_good(report)) << "tick " << i + 1 << ": " << describe(report);
    if (!is_good(report)) return ticks;
    if (report.kind == core::AnswerKind::Orders && report.new_versions > 0) return ticks;
  }
  ADD_FAILURE() << "no new versions in " << limit << " ticks";
  return ticks;
}

core::Result<std::string> WineAppTest::service_get(const std::string& path_and_query) {
  return control_->get(service_url_ + path_and_query);
}

void WineAppTest::set_fault(const std::string& mode, int count) {
  std::string request = "/demo/fault?mode=" + mode;
  if (count > 0) request += "&count=" + std::to_string(count);
  const auto answer = service_get(request);
  ASSERT_TRUE(answer) << request << ": " << answer.error().message;
  ASSERT_EQ(answer->substr(0, 2), "OK") << request << ": " << *answer;
}

OrderLines WineAppTest::sent_lines() {
  const auto answer = service_get(std::string("/demo/sent?systemid=") + kSystem);
  EXPECT_TRUE(answer) << "/demo/sent: " << answer.error().message;
  if (!answer) return {};
  OrderLines lines = core::split_lines(*answer);
  lines.erase(lines.begin(),
              lines.begin() + static_cast<std::ptrdiff_t>(std::min(sent_before_, lines.size())));
  return lines;
}

std::vector<std::string> WineAppTest::order_requests() const {
  return request_lines(read_bytes(fs::path(request_log_)), "/GetTD.do");
}

std::string WineAppTest::exchange_path(std::string_view name) const {
  return (fs::path(h_->exchange_folder) / name).string();
}

std::string WineAppTest::exchange(std::string_view name) const {
  return read_bytes(fs::path(h_->exchange_folder) / name);
}

OrderLines WineAppTest::exchange_lines(std::string_view name) const {
  return core::split_lines(exchange(name));
}

std::string WineAppTest::exchange_listing() const { return folder_listing(h_->exchange_folder); }

bool WineAppTest::polling() const {
  const core::Session& state = h_->app->session();
  return state.main.swlogin == 1 && state.main.mytimer_enabled && h_->ui.timer_enabled;
}

void WineAppTest::expect_everything_sent_is_merged(std::string_view after) {
  const OrderLines sent = sent_lines();
  ASSERT_FALSE(sent.empty()) << after << ": the service sent nothing";
  EXPECT_EQ(exchange_lines(core::kOrderLogFile), distinct_versions(sent))
      << after << ": the order log is not every version sent, once each";
  EXPECT_EQ(sorted(exchange_lines(core::kCurrentOrderFile)), latest_versions(sent))
      << after << ": the current-order file is not the latest version of every order";
  EXPECT_TRUE(session().sync.unsaved_log_lines.empty())
      << after << ": " << session().sync.unsaved_log_lines.size() << " versions still wait";
}

}  // namespace lumari::test
