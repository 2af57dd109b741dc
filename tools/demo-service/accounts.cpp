#include "accounts.h"

#include "text/url_encode.h"

namespace lumari::demo {

AccountBook::AccountBook(std::vector<Account> accounts)
    : accounts_(std::move(accounts)), sessions_(accounts_.size()) {}

const Account* AccountBook::find_login(std::string_view email, std::string_view password) const {
  for (const auto& account : accounts_) {
    if (account.email == email && account.password == password) return &account;
  }
  return nullptr;
}

const Account* AccountBook::find_by_userid(std::string_view userid) const {
  for (const auto& account : accounts_) {
    if (account.userid == userid) return &account;
  }
  return nullptr;
}

AccountBook::Session& AccountBook::session_of(const Account& account) {
  return sessions_[static_cast<std::size_t>(&account - accounts_.data())];
}

void AccountBook::await_new_session(const Account& account) { session_of(account).awaiting = true; }

bool AccountBook::holds_session(const Account& account, const std::string& loginid, bool take) {
  Session& session = session_of(account);
  if (session.awaiting) {
    if (take) {
      session.awaiting = false;
      session.holder = loginid;
    }
    return true;
  }
  return session.holder == loginid;
}

void AccountBook::record_choice(const Account& account, const std::string& loginid,
                                const std::string& systemid) {
  session_of(account).choices[loginid] = systemid;
}

std::string AccountBook::state_text() const {
  std::string text;
  for (std::size_t i = 0; i < accounts_.size(); ++i) {
    const Account& account = accounts_[i];
    const Session& session = sessions_[i];
    text += "account " + account.email + " userid=" + account.userid +
            " awaiting=" + (session.awaiting ? "1" : "0") +
            " holder=" + core::percent_encode(session.holder) + "\r\n";
    for (const auto& [loginid, systemid] : session.choices) {
      // A loginid may hold a line break (the adapter-count form), so both values
      // are shown escaped.
      text += "choice " + account.email + " loginid=" + core::percent_encode(loginid) +
              " systemid=" + core::percent_encode(systemid) + "\r\n";
    }
  }
  return text;
}

}  // namespace lumari::demo
