// Whole polling ticks of a logged-in program over fuzzed service answers and
// fuzzed exchange files in a temporary folder: each answer is classified by its
// markers, and an order answer leaves in both files what the reference model of
// the pass writes.
//
// Input: an option byte (bit 0: files that are empty are left out instead), then
// the first answer, the order log, the current-order file, the system order file
// and the second answer, separated by 0x1F.
#include <filesystem>
#include <string>
#include <tuple>

#include "fuzz_support.h"
#include "reference_model.h"
#include "shell/data_folder.h"
#include "support/app_harness.h"

namespace {

using namespace lumari;
using test::fuzz::require;

// The model reads every line again for each comparison: beyond this many lines
// an input costs more than fuzzing can afford, and the indexed pass stands in.
constexpr std::size_t kMaxModelLines = 300;

core::AnswerKind kind_of(const std::string& answer) {
  const std::string marker = answer.size() >= 5 ? answer.substr(2, 3) : "";
  if (marker == "XXX") return core::AnswerKind::Idle;
  if (marker == "YYY") return core::AnswerKind::ForcedLogout;
  if (answer.rfind("<html>", 0) == 0) return core::AnswerKind::ErrorPage;
  return core::AnswerKind::Orders;
}

// Whether each exchange file is there, and its bytes.
auto files_of(const test::AppHarness& h) {
  return std::tuple(h.has_exchange(core::kOrderLogFile), h.has_exchange(core::kCurrentOrderFile),
                    h.exchange(core::kOrderLogFile), h.exchange(core::kCurrentOrderFile));
}

void tick(test::AppHarness& h, const std::string& answer, bool& srvseen) {
  core::Session& session = h.session();
  const bool polling = session.main.mytimer_enabled;
  const auto before = files_of(h);
  const std::size_t messages = h.ui.messages.size();
  h.web.answer("/GetTD.do", answer);
  h.app->FrmMainMdi_mytimer_Timer();

  const core::AnswerKind kind = polling ? kind_of(answer) : core::AnswerKind::Idle;
  if (polling) require(h.app->last_cycle().kind == kind, "the answer's markers", answer);
  if (kind == core::AnswerKind::ForcedLogout) {
    require(h.ui.messages.size() == messages + 1 &&
                h.ui.messages.back().text ==
                    "User with same credentials is login on another computer.\r"
                    "You are forced to logout!.",
            "a forced logout says so", answer);
    require(!session.main.mytimer_enabled && h.ui.is_open(core::WindowId::Login),
            "a forced logout stops polling and shows the login window", answer);
  } else {
    require(h.ui.messages.size() == messages, "only a forced logout shows a message", answer);
    require(session.main.mytimer_enabled == polling, "polling goes on", answer);
  }
  if (kind != core::AnswerKind::Orders) {
    require(files_of(h) == before, "an answer without orders leaves the files alone", answer);
    return;
  }
  const std::string& log = std::get<2>(before);
  const std::string& current = std::get<3>(before);
  const test::PassInput input{answer, log, current, srvseen};
  const std::size_t lines = test::reference::split_answer(answer).size() +
                            test::reference::file_entries(log).size() +
                            test::reference::file_entries(current).size();
  const test::PassOutput expected =
      lines <= kMaxModelLines ? test::run_reference_pass(input) : test::run_indexed_pass(input);
  require(h.app->last_cycle().saved, "the pass saves both files", answer);
  require(h.exchange(core::kOrderLogFile) == expected.log, "the order log as the model writes it",
          answer + "\n" + h.exchange(core::kOrderLogFile) + "\n" + expected.log);
  require(h.exchange(core::kCurrentOrderFile) == expected.current,
          "the current-order file as the model writes it", answer);
  const std::size_t last = answer.rfind(';');
  require(session.tddata == (last == std::string::npos ? answer : answer.substr(last + 1)),
          "the text after the last separator waits for the next answer", answer);
  srvseen = expected.srvseen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto input = test::fuzz::take_input(data, size, 5);
  test::AppHarness h;
  h.log_in("1234;11;Alpha");
  require(h.session().main.mytimer_enabled, "a login with one system starts polling");
  const std::string_view names[] = {core::kOrderLogFile, core::kCurrentOrderFile,
                                    core::kSystemOrderFile};
  for (std::size_t i = 0; i < 3; ++i) {
    if (input.parts[i + 1].empty() && (input.flags & 1) != 0) {
      std::filesystem::remove(std::filesystem::path(h.exchange_folder) / names[i]);
    } else {
      h.write_exchange(names[i], input.parts[i + 1]);
    }
  }
  bool srvseen = false;
  tick(h, std::string(input.parts[0]), srvseen);
  if (!input.parts[4].empty()) tick(h, std::string(input.parts[4]), srvseen);
  return 0;
}
