// Saved-login records: "kind;flag;text" lines of the data folder's chklogin.dat,
// kind "1" remembering the e-mail address, kind "2" a trade system choice.
#pragma once

#include <string>
#include <string_view>

namespace lumari::core {

inline constexpr std::string_view kLoginRecordKind = "1";
inline constexpr std::string_view kSelectionRecordKind = "2";

/// The three fields of the record split last.
struct SavedRecordFields {
  std::string kind;  ///< before the first ";"
  std::string flag;  ///< between the first and the second ";"
  std::string text;  ///< everything after the second ";"
};

/// Splits a record. A line of 0 or 1 characters is not split: the fields keep
/// their values and the result is false. A line with one ";" gives the same rest
/// as flag and text; a line without ";" gives the whole line to all three.
bool ParseSavedRecord(std::string_view line, SavedRecordFields& fields);

/// A selection record's text: the system entry, then a one-character marker of
/// the account that made the choice.
struct MarkedEntry {
  std::string_view entry;
  std::string_view marker;  ///< the last character; empty for an empty text
};
[[nodiscard]] MarkedEntry split_marker(std::string_view text);

/// "1;flag;text", the login record.
[[nodiscard]] std::string login_record(int chklogin, std::string_view text);

/// A check box value (0 or 1) from a record's flag, read the lenient way and
/// rounded half to even; anything but 1 is unticked.
[[nodiscard]] int check_value_of(std::string_view flag);

}  // namespace lumari::core
