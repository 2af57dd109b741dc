// One fetch cycle: ask the service for the followed system's orders and act on
// the answer's markers.
#include <utility>

#include "shell/app.h"
#include "text/url_encode.h"

namespace lumari::core {

namespace {

// Exact comparison of the characters at a 0-based position; an answer too short
// to hold them does not match.
bool has_marker_at(std::string_view answer, std::size_t position, std::string_view marker) {
  return answer.size() >= position + marker.size() &&
         answer.substr(position, marker.size()) == marker;
}

constexpr std::string_view kForcedLogoutText =
    "User with same credentials is login on another computer.\r"
    "You are forced to logout!.";

}  // namespace

void App::FetchTradeData() {
  last_cycle_ = CycleReport{};
  if (!session_.fetchweb) session_.fetchweb = ports_.web_clients();
  const std::string url = session_.main.host +
                          "/GetTD.do?systemid=" + percent_encode(session_.systemid) +
                          "&userid=" + percent_encode(session_.login.username) +
                          "&loginid=" + percent_encode(session_.loginid);
  auto answer = session_.fetchweb->get(url);
  session_.swlogout = 0;
  if (!answer) {
    // No text came back: like an error page the cycle ends, and the next tick
    // asks again.
    session_.tddata.clear();
    last_cycle_.kind = AnswerKind::NoAnswer;
    last_cycle_.problem = answer.error().message;
    catch_up_exchange_files();
    return;
  }
  session_.tddata = std::move(answer).value();

  if (has_marker_at(session_.tddata, 2, "XXX")) {
    last_cycle_.kind = AnswerKind::Idle;
  } else if (has_marker_at(session_.tddata, 2, "YYY")) {
    last_cycle_.kind = AnswerKind::ForcedLogout;
    message(kForcedLogoutText, MessageIcon::Critical);
    session_.swlogout = 1;
  } else if (has_marker_at(session_.tddata, 0, "<html>")) {
    last_cycle_.kind = AnswerKind::ErrorPage;
  } else {
    last_cycle_.kind = AnswerKind::Orders;
    LoadOrderLists();
    return;
  }
  if (last_cycle_.kind != AnswerKind::ForcedLogout) catch_up_exchange_files();
}

void App::catch_up_exchange_files() {
  // After an exchange file could not be written, the versions waiting in memory
  // go into the files at the next tick that brings no orders of its own, rather
  // than at the next orders answer, which a quiet system may not send for hours.
  if (!exchange_files_lag()) return;
  std::string answer = std::exchange(session_.tddata, std::string());
  LoadOrderLists();
  session_.tddata = std::move(answer);
}

}  // namespace lumari::core
