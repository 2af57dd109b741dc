// Whole polling ticks of a logged-in program over fuzzed service answers and
// fuzzed exchange files in a temporary folder: each answer is classified by its
// markers, and an order answer leaves in both files what the reference model of
// the pass would write.
//
// Input: one option byte (bit 0: files that are empty are left out instead),
// then the first answer, the order log, the current-order file, the system order
// file and the second answer, separated by 0x1F.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "fuzz_support.h"
#include "reference_model.h"
#include "reference_model.h"
#include "shell/data_folder.h"
#include "support/app_harness.h"

namespace {

using namespace lumari;
using test::fuzz::require;

constexpr std::size_t kMaxModelLines = 300;
constexpr std::string_view kForcedLogoutText =
    "User with same credentials is login on another computer.\r"
    "You are forced to logout!.";

bool marker_at(std::string_view answer, std::size_t position, std::string_view marker) {
  return answer.size() >= position + marker.size() &&
         answer.substr(position, marker.size()) == marker;
}

core::AnswerKind kind_of(std::string_view answer) {
  if (marker_at(answer, 2, "XXX")) return core::AnswerKind::Idle;
  if (marker_at(answer, 2, "YYY")) return core::AnswerKind::ForcedLogout;
  if (marker_at(answer, 0, "<html>")) return core::AnswerKind::ErrorPage;
  return core::AnswerKind::Orders;
}

std::size_t model_lines(const test::PassInput& input) {
  return test::reference::split_answer(input.answer).size() +
         test::reference::file_entries(input.log).size() +
         test::reference::file_entries(input.current).size();
}

struct ExchangeState {
  bool has_log = false;
  bool has_current = false;
  std::string log;
  std::string current;
  friend bool operator==(const ExchangeState&, const ExchangeState&) = default;
};

ExchangeState exchange_state(const test::AppHarness& h) {
  return {h.has_exchange(core::kOrderLogFile), h.has_exchange(core::kCurrentOrderFile),
          h.exchange(core::kOrderLogFile), h.exchange(core::kCurrentOrderFile)};
}

// One tick with the answer; srvseen is the run's flag before it, updated after.
void tick(test::AppHarness& h, const std::string& answer, bool& srvseen) {
  core::Session& session = h.session();
  const bool polling = session.main.mytimer_enabled;
  const ExchangeState before = exchange_state(h);
  const std::size_t messages = h.ui.messages.size();

  h.web.answer("/GetTD.do", answer);
  h.app->FrmMainMdi_mytimer_Timer();

  if (!polling) {
    require(exchange_state(h) == before, "a stopped timer leaves the files alone", answer);
    return;
  }
  const core::AnswerKind kind = kind_of(answer);
  require(h.app->last_cycle().kind == kind, "the answer is classified by its markers", answer);
  if (kind == core::AnswerKind::ForcedLogout) {
    require(h.ui.messages.size() == messages + 1 && h.ui.messages.back().text == kForcedLogoutText,
            "a forced logout says so", answer);
    require(!session.main.mytimer_enabled && session.main.swlogin == 0 &&
                h.ui.is_open(core::WindowId::Login),
            "a forced logout stops polling and shows the login window", answer);
  } else {
    require(h.ui.messages.size() == messages, "only a forced logout shows a message", answer);
    require(session.main.mytimer_enabled && session.main.swlogin == 1,
            "polling goes on after any other answer", answer);
  }
  if (kind != core::AnswerKind::Orders) {
    require(exchange_state(h) == before, "an answer without orders leaves the files alone", answer);
    return;
  }

  test::PassInput input{answer, before.log, before.current, srvseen};
  const test::PassOutput expected = model_lines(input) <= kMaxModelLines
                                        ? test::run_reference_pass(input)
                                        : test::run_indexed_pass(input);
  const ExchangeState after = exchange_state(h);
  require(h.app->last_cycle().saved, "the pass saves both files", answer);
  require(after.has_log && after.log == expected.log, "the order log as the pass writes it",
          answer + "\n" + after.log + "\n" + expected.log);
  require(after.has_current && after.current == expected.current,
          "the current-order file as the pass writes it",
          answer + "\n" + after.current + "\n" + expected.current);
  const std::size_t last = answer.rfind(';');
  require(session.tddata == (last == std::string::npos ? answer : answer.substr(last + 1)),
          "the text after the last separator stays unloaded", answer);
  require(session.fetcher.listData.empty() && session.fetcher.lumarilog.empty() &&
              session.fetcher.ServerOrd.empty(),
          "the lists are empty between ticks", answer);
  srvseen = expected.srvseen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto [flags, rest] = test::fuzz::take_flags(test::fuzz::as_text(data, size));
  const auto parts = test::fuzz::split_parts(rest, 5);
  const bool leave_out_empty = (flags & 1) != 0;

  test::AppHarness h;
  h.log_in("1234;11;Alpha");
  require(h.session().main.swlogin == 1 && h.session().main.mytimer_enabled,
          "a login with one system starts polling");
  // After the login: loading the fetcher window empties the current-order file.
  const std::string_view names[] = {core::kOrderLogFile, core::kCurrentOrderFile,
                                    core::kSystemOrderFile};
  for (std::size_t i = 0; i < 3; ++i) {
    if (parts[i + 1].empty() && leave_out_empty) {
      std::error_code ignored;
      std::filesystem::remove(std::filesystem::path(h.exchange_folder) / names[i], ignored);
    } else {
      h.write_exchange(names[i], parts[i + 1]);
    }
  }

  bool srvseen = false;
  tick(h, std::string(parts[0]), srvseen);
  if (!parts[4].empty()) tick(h, std::string(parts[4]), srvseen);
  return 0;
}
