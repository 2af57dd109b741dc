// Reading the service's answer to a login: "userid;id;name;id;name..." .
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumari::core {

/// The user id text of an answer: the text before the first ";" read as a number
/// the lenient way, in its shortest decimal form ("00042" and "42abc" give "42").
/// "0" when there is no ";", no number, or a number too large to hold.
[[nodiscard]] std::string user_id_of(std::string_view answer);

struct SystemEntry {
  std::string id;
  std::string name;
};

/// The trade systems of the answer's rest after the user id and its ";", as
/// consumed from the left: an id before each ";", then a name up to the next ";"
/// or, without one, to the end (a line break included). A trailing id without
/// ";" is ignored; a trailing id with ";" is a system with an empty name.
/// `rest` keeps what was not consumed.
[[nodiscard]] std::vector<SystemEntry> take_login_systems(std::string& rest);

}  // namespace lumari::core
