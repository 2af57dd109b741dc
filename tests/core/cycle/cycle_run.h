// An App over fake ports and real folders whose file operations are recorded,
// and refused when a row names them, with the few steps the fetch-cycle tables
// share.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "reference_model.h"
#include "support/app_harness.h"
#include "support/case_file.h"
#include "support/printable.h"
#include "text/file_io.h"

namespace lumari::test {

/// "@1 14:01|@2 14:02": those versions (see expand_versions) as file bytes.
[[nodiscard]] inline std::string lines(const std::string& versions) {
  return crlf(unlisted(expand_versions(versions)));
}

/// "@1 14:01|@2 14:02" is an order answer of those versions, "!why" no answer
/// for that reason, any other text the answer itself.
[[nodiscard]] inline core::Result<std::string> reply(const std::string& text) {
  if (text.starts_with('!')) return core::Error{text.substr(1)};
  if (!text.starts_with('@')) return text;
  std::string answer = "\r\n";
  for (const auto& line : unlisted(expand_versions(text))) answer += line + ";\n";
  return answer;
}

struct CycleRun {
  CycleRun() {
    core::set_file_fault_hook([this](core::FileOp op, const std::string& path) {
      static const char* const names[] = {"Read ",   "Write ",  "Rename ",
                                          "Append ", "Remove ", "CreateDirectory "};
      calls.push_back(names[static_cast<int>(op)] +
                      std::filesystem::path(path).filename().string());
      return refused.count(calls.back()) > 0;
    });
  }
  ~CycleRun() { core::set_file_fault_hook(nullptr); }

  void tick(const std::string& text = "\r\nXXX") { h.tick(reply(text)); }

  /// Steps, separated by ", ": login [answer] (started, then logged in; one system
  /// by default), Login [answer] (the login alone), start, StartFetch; a tick with
  /// an answer: idle, empty (orders without lines), page (an error page), yyy (a
  /// forced logout), none or late (no answer: refused or timed out), "@1 14:01|..."
  /// (those versions), orders (a new version each time); timer (a tick that reaches
  /// the window whatever the timer); Logout, Exit (tray menu items); refuse <op>
  /// <file>, heal; box [step] (run inside each message box); at <day> <hh:mm:ss>
  /// (the clock, in December 2026).
  void play(const std::string& steps) {
    static const std::map<std::string, std::string> answers = {
        {"idle", "\r\nXXX"}, {"empty", "\r\n"},    {"page", "<html>down</html>"},
        {"yyy", "\r\nYYY"},  {"none", "!refused"}, {"late", "!timed out"}};
    for (std::size_t from = 0, to = 0; from < steps.size(); from = to + 2) {
      to = std::min(steps.find(", ", from), steps.size());
      const std::string step = steps.substr(from, to - from);
      const std::string verb = step.substr(0, step.find(' '));
      const std::string rest = step.substr(std::min(step.size(), verb.size() + 1));
      const std::string answer = rest.empty() ? "1234;11;Alpha" : rest;
      bool known = answers.count(verb) || verb.starts_with('@');
      const auto is = [&](const char* name) { return verb == name && (known = true); };
      core::DateTime& t = h.clock.current;
      if (answers.count(verb)) tick(answers.at(verb));
      if (verb.starts_with('@')) tick(step);
      if (is("orders")) tick("@1 14:" + std::to_string(10 + ++orders_));
      if (is("login")) h.log_in(answer);
      if (is("Login")) h.attempt_login(answer);
      if (is("start")) h.start();
      if (is("StartFetch")) h.app->StartFetch();
      if (is("timer")) h.app->FrmMainMdi_mytimer_Timer();
      if (is("Logout")) h.menu(core::MenuItem::mnulvSo);
      if (is("Exit"))
        h.menu(h.session().main.swlogin ? core::MenuItem::mnulvex : core::MenuItem::mnuflex);
      if (is("refuse")) refused.insert(rest);
      if (is("heal")) refused.clear();
      if (is("box")) h.ui.while_message_open = [this, rest](const ShownMessage&) { play(rest); };
      if (is("at")) std::sscanf(rest.c_str(), "%d %d:%d:%d", &t.day, &t.hour, &t.minute, &t.second);
      if (!known) ADD_FAILURE() << "unknown step " << step;
    }
  }

  /// The file operations since the last call: "Read Lumari.log, Write ...".
  [[nodiscard]] std::string ops() {
    std::string text;
    for (const auto& call : calls) text += (text.empty() ? "" : ", ") + call;
    calls.clear();
    return text;
  }
  [[nodiscard]] std::string x(std::string_view name) const {
    return h.has_exchange(name) ? h.exchange(name) : "(missing)";
  }
  [[nodiscard]] std::string waiting() { return crlf(h.session().sync.unsaved_log_lines); }
  [[nodiscard]] const core::CycleReport& cycle() const { return h.app->last_cycle(); }

  AppHarness h;
  std::vector<std::string> calls;
  std::set<std::string> refused;  ///< operations to refuse, as "Write Lumari.log.tmp"

 private:
  int orders_ = 0;
};

/// What every row of a table has: its name, shown too when the row fails.
struct NamedRow {
  std::string name;
};
inline std::ostream& operator<<(std::ostream& os, const NamedRow& row) { return os << row.name; }

/// A row's name as a test name: letters and digits, the rest "_".
template <typename Row>
[[nodiscard]] std::string row_name(const ::testing::TestParamInfo<Row>& info) {
  std::string name = info.param.name;
  for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

}  // namespace lumari::test
