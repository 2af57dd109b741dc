#include "service.h"

#include <algorithm>

namespace lumari::demo {
namespace {

bool follows(const Account& account, const std::string& systemid) {
  return std::any_of(account.systems.begin(), account.systems.end(),
                     [&](const TradeSystem& system) { return system.id == systemid; });
}

}  // namespace

std::string order_answer(const std::vector<std::string>& lines) {
  std::string body = "\r\n";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) body += '\n';
    body += lines[i];
    body += ';';
  }
  return body;
}

DemoService::DemoService(std::vector<Account> accounts, const ServiceSettings& settings,
                         SentLog sent_log)
    : book_(std::move(accounts)), repeat_(settings.repeat), sent_log_(std::move(sent_log)) {
  for (const auto& account : book_.accounts()) {
    for (const auto& system : account.systems) {
      streams_.try_emplace(system.id, system.id, settings.stream);
    }
  }
}

Answer DemoService::login(const std::string& email, const std::string& password, Effect effect) {
  std::lock_guard lock(mutex_);
  const Account* account = book_.find_login(email, password);
  if (account == nullptr) return {kRefusalAnswer, "refused"};
  if (effect == Effect::kDeliver) book_.await_new_session(*account);
  std::string body = account->userid + ";";
  for (const auto& system : account->systems) body += system.id + ";" + system.name + ";";
  return {body, "user " + account->userid + ", " + std::to_string(account->systems.size()) +
                    " system(s)"};
}

Answer DemoService::select_system(const std::string& email, const std::string& password,
                                  const std::string& systemid, const std::string& loginid,
                                  Effect effect) {
  std::lock_guard lock(mutex_);
  const Account* account = book_.find_login(email, password);
  if (account == nullptr) return {kRefusalAnswer, "refused"};
  const bool deliver = effect == Effect::kDeliver;
  const bool holder = book_.holds_session(*account, loginid, deliver);
  if (!follows(*account, systemid)) return {kRefusalAnswer, "system not followed by the account"};
  if (deliver) book_.record_choice(*account, loginid, systemid);
  return {kSelectionAnswer, holder ? "chosen" : "chosen, session held by another machine"};
}

Answer DemoService::orders(const std::string& systemid, const std::string& userid,
                           const std::string& loginid, Effect effect) {
  std::lock_guard lock(mutex_);
  const Account* account = book_.find_by_userid(userid);
  if (account == nullptr) return {kForcedLogoutAnswer, "forced logout: unknown user"};
  const bool deliver = effect == Effect::kDeliver;
  if (!book_.holds_session(*account, loginid, deliver)) {
    return {kForcedLogoutAnswer, "forced logout: session held by another machine"};
  }
  const auto stream = streams_.find(systemid);
  if (stream == streams_.end() || !follows(*account, systemid)) {
    return {kIdleAnswer, "idle: system not followed by the account"};
  }
  const ClientKey client{userid, loginid, systemid};
  if (!deliver) {
    const auto found = delivered_.find(client);
    const auto since = found == delivered_.end() ? 0 : found->second;
    const auto lines = stream->second.lines_since(since, true);
    if (lines.empty()) return {kIdleAnswer, "idle (preview)"};
    return {order_answer(lines), std::to_string(lines.size()) + " line(s) (preview)"};
  }
  // A client's first order answer carries everything since the stream began.
  std::uint64_t& delivered = delivered_[client];
  stream->second.step();
  const auto lines = stream->second.lines_since(delivered, repeat_);
  delivered = stream->second.last_event();
  if (lines.empty()) return {kIdleAnswer, "idle"};
  sent_log_.record(systemid, lines);
  return {order_answer(lines), std::to_string(lines.size()) + " line(s)"};
}

std::string DemoService::sent_text(const std::optional<std::string>& systemid) const {
  std::lock_guard lock(mutex_);
  return sent_log_.text(systemid);
}

std::string DemoService::state_text() const {
  std::lock_guard lock(mutex_);
  return book_.state_text();
}

}  // namespace lumari::demo
