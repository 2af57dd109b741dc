// Helpers of the fetch cycle's tests: order lines, answers, and the recording fixture.
#include "cycle_fixture.h"

#include <cstdio>
#include <filesystem>

namespace lumari::test {

namespace fs = std::filesystem;

std::string order(std::string_view ticket, int minute, std::string_view price) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "2026.12.05 14:%02d:0000", minute);
  return "m=" + std::string(stamp) + ",EURUSD,t=" + std::string(ticket) + ",buy,0.10," +
         std::string(price) + ",0,0,open,x,s=7";
}

std::string orders_answer(std::initializer_list<std::string> lines, bool final_semicolon) {
  std::string text = "\r\n";
  bool first = true;
  for (const auto& line : lines) {
    if (!first) text += ";\n";
    text += line;
    first = false;
  }
  if (final_semicolon) text += ";";
  return text;
}

std::string crlf(std::initializer_list<std::string> lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

CycleTest::CycleTest() {
  core::set_file_fault_hook([this](core::FileOp op, const std::string& path) {
    FileCall call{op, fs::path(path).filename().string()};
    calls_.emplace_back(call, path);
    return fail_when && fail_when(op, call.name);
  });
}

CycleTest::~CycleTest() { core::set_file_fault_hook(nullptr); }

void CycleTest::log_in() {
  h.log_in("1234;11;Alpha");
  ASSERT_EQ(h.session().main.swlogin, 1);
  ASSERT_TRUE(h.ui.timer_enabled);
  calls_.clear();
}

void CycleTest::tick_with(std::string answer) {
  h.web.answer("/GetTD.do", std::move(answer));
  fire_timer();
}

void CycleTest::tick_without_answer(std::string why) {
  h.web.answer("/GetTD.do", core::Error{std::move(why)});
  fire_timer();
}

void CycleTest::fire_timer() {
  if (h.ui.timer_enabled) h.app->FrmMainMdi_mytimer_Timer();
}

std::vector<std::string> CycleTest::orders_requests() const {
  std::vector<std::string> urls;
  for (const auto& url : h.web.requested) {
    if (url_path(url) == "/GetTD.do") urls.push_back(url);
  }
  return urls;
}

std::vector<FileCall> CycleTest::take_calls_in(const std::string& folder) {
  std::vector<FileCall> taken;
  std::vector<std::pair<FileCall, std::string>> rest;
  const fs::path root = fs::path(folder).lexically_normal();
  for (auto& [call, path] : calls_) {
    if (fs::path(path).parent_path().lexically_normal() == root) {
      taken.push_back(call);
    } else {
      rest.emplace_back(std::move(call), std::move(path));
    }
  }
  calls_ = std::move(rest);
  return taken;
}

bool CycleTest::has_call(const std::vector<FileCall>& calls, core::FileOp op,
                         std::string_view name) {
  for (const auto& call : calls) {
    if (call.op == op && call.name == name) return true;
  }
  return false;
}

void PrintTo(const FileCall& call, std::ostream* os) {
  static constexpr const char* kOps[] = {"Read",   "Write",  "Rename",
                                         "Append", "Remove", "CreateDirectory"};
  *os << kOps[static_cast<int>(call.op)] << ' ' << call.name;
}

}  // namespace lumari::test
