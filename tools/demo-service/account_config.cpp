#include "account_config.h"

#include <fstream>
#include <set>

namespace lumari::demo {
namespace {

bool is_canonical_userid(std::string_view text) {
  if (!text.empty() && text.front() == '-') text.remove_prefix(1);
  if (text.empty() || text.front() == '0') return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

core::Result<TradeSystem> parse_system(const std::string& word) {
  const auto equals = word.find('=');
  if (equals == std::string::npos) {
    return core::fail("system \"" + word + "\" is not <sysid>=<name>");
  }
  TradeSystem system{word.substr(0, equals), word.substr(equals + 1)};
  // The login answer separates fields with ";", the selection window splits an
  // entry at its first blank and order lines separate fields with ",".
  if (system.id.empty() || system.id.find_first_of(" ,;") != std::string::npos) {
    return core::fail("system id \"" + system.id + "\" is empty or holds a blank, \",\" or \";\"");
  }
  if (system.name.find(';') != std::string::npos) {
    return core::fail("system name \"" + system.name + "\" holds a \";\"");
  }
  return system;
}

}  // namespace

core::Result<std::vector<std::string>> split_words(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  bool quoted = false;
  for (const char c : line) {
    if (c == '"') {
      quoted = !quoted;
      in_word = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (quoted) return core::fail("a double quote is not closed");
  if (in_word) words.push_back(std::move(word));
  return words;
}

core::Result<Account> parse_account_line(std::string_view line) {
  auto words = split_words(line);
  if (!words) return words.error();
  auto& list = words.value();
  if (!list.empty() && list.front() == "account") list.erase(list.begin());
  if (list.size() < 3)
    return core::fail("expected <email> <password> <userid> [<sysid>=<name>]...");
  Account account{list[0], list[1], list[2], {}};
  if (account.email.empty()) return core::fail("the e-mail address is empty");
  if (!is_canonical_userid(account.userid)) {
    return core::fail("user id \"" + account.userid +
                      "\" is not a whole number other than 0 without leading zeros");
  }
  std::set<std::string> ids;
  for (std::size_t i = 3; i < list.size(); ++i) {
    auto system = parse_system(list[i]);
    if (!system) return system.error();
    if (!ids.insert(system->id).second) return core::fail("system id " + system->id + " twice");
    account.systems.push_back(std::move(system.value()));
  }
  return account;
}

core::Result<std::vector<Account>> load_account_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return core::fail("cannot open " + path);
  std::vector<Account> accounts;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    const std::string where = path + ":" + std::to_string(number) + ": ";
    auto words = split_words(line);
    if (!words) return core::fail(where + words.error().message);
    if (words->front() != "account")
      return core::fail(where + "a line must start with \"account\"");
    auto account = parse_account_line(line);
    if (!account) return core::fail(where + account.error().message);
    accounts.push_back(std::move(account.value()));
  }
  return accounts;
}

std::vector<Account> default_accounts() {
  return {
      {"demo@example.com", "demo", "1234", {{"11", "Alpha"}}},
      {"multi@example.com",
       "demo",
       "5678",
       {{"11", "Alpha"}, {"12", "Beta Fund"}, {"15", "Gamma"}}},
      {"none@example.com", "demo", "9012", {}},
  };
}

core::Status check_unique(const std::vector<Account>& accounts) {
  std::set<std::string> emails;
  std::set<std::string> userids;
  for (const auto& account : accounts) {
    if (!emails.insert(account.email).second) {
      return core::fail("e-mail address " + account.email + " is used by two accounts");
    }
    if (!userids.insert(account.userid).second) {
      return core::fail("user id " + account.userid + " is used by two accounts");
    }
  }
  return core::ok();
}

}  // namespace lumari::demo
