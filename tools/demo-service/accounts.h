// The accounts with their sessions: which machine (loginid) holds each account's
// session, and which system each machine chose. Not locked: the service that
// owns the book serialises every call.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "account_config.h"

namespace lumari::demo {

class AccountBook {
 public:
  /// Every account starts awaiting a session, as after a login, so a client that
  /// keeps polling across a restart of the service is not logged out by it.
  explicit AccountBook(std::vector<Account> accounts);

  /// The account whose e-mail address and password both match exactly; else null.
  [[nodiscard]] const Account* find_login(std::string_view email, std::string_view password) const;

  /// The account with this user id; else null.
  [[nodiscard]] const Account* find_by_userid(std::string_view userid) const;

  /// After a login the next selection or poll of the account, from any machine,
  /// makes that machine the holder of the session.
  void await_new_session(const Account& account);

  /// Whether the machine holds the account's session; with take, a session that
  /// is awaited becomes this machine's.
  [[nodiscard]] bool holds_session(const Account& account, const std::string& loginid, bool take);

  /// Remembers the system a machine chose for the account.
  void record_choice(const Account& account, const std::string& loginid,
                     const std::string& systemid);

  /// One line per account and per recorded choice, for the /demo/state request;
  /// never shows a password.
  [[nodiscard]] std::string state_text() const;

  /// All accounts, in the order they were given.
  [[nodiscard]] const std::vector<Account>& accounts() const { return accounts_; }

 private:
  struct Session {
    bool awaiting = true;
    std::string holder;
    std::map<std::string, std::string> choices;  // loginid -> systemid
  };

  [[nodiscard]] Session& session_of(const Account& account);

  std::vector<Account> accounts_;
  std::vector<Session> sessions_;  // parallel to accounts_
};

}  // namespace lumari::demo
