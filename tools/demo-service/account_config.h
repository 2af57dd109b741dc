// The accounts the demo service knows: the built-in set and the one-line syntax
// shared by --account and the --config file.
//
// Syntax of one account (words separated by blanks; double quotes group words
// that contain blanks and are themselves dropped, so 12="Beta Fund" and
// "12=Beta Fund" are the same word):
//   account <email> <password> <userid> [<sysid>=<name>]...
// The keyword "account" starts every line of a config file and may be left out
// in --account. The user id is a whole number other than 0 written without
// leading zeros (the client sends it back in that form); a system id is not
// empty and holds no blank, "," or ";"; a name holds no ";". In a file, empty
// lines and lines whose first non-blank character is "#" are ignored.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ports/result.h"

namespace lumari::demo {

/// One trade system an account follows.
struct TradeSystem {
  std::string id;
  std::string name;
};

/// One subscriber account.
struct Account {
  std::string email;
  std::string password;
  std::string userid;
  std::vector<TradeSystem> systems;
};

/// The words of a line: blanks separate, double quotes group and are removed.
[[nodiscard]] core::Result<std::vector<std::string>> split_words(std::string_view line);

/// One account from "[account] <email> <password> <userid> [<sysid>=<name>]...".
[[nodiscard]] core::Result<Account> parse_account_line(std::string_view line);

/// Every account of a config file; the error names the line that is wrong.
[[nodiscard]] core::Result<std::vector<Account>> load_account_file(const std::string& path);

/// The accounts used when neither a config file nor --account is given.
[[nodiscard]] std::vector<Account> default_accounts();

/// Fails when two accounts share an e-mail address or a user id.
[[nodiscard]] core::Status check_unique(const std::vector<Account>& accounts);

}  // namespace lumari::demo
