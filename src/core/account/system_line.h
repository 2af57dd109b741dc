// One line of the data folder's systemp.dat: "id;name".
#pragma once

#include <string>
#include <string_view>

namespace lumari::core {

/// Splits at the first ";": the id before it, the name after it. A line without
/// ";" is an id with an empty name.
void SplitSystemLine(std::string_view line, std::string& spsysid, std::string& spsysname);

/// The system id of a selection entry "id name": the text before its first
/// blank, or the whole text when it has none.
[[nodiscard]] std::string system_id_of_entry(std::string_view entry);

}  // namespace lumari::core
