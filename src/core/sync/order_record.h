// One order line parsed into its fields, and what the reconciliation derives from
// it: order key, version key, canonical line. The record points into the line it
// was parsed from, so the line must outlive it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumari::core {

/// Fields 1 to 11 of an order line (trimmed) and the values of fields 1, 3 and 11.
struct OrderRecord {
  std::array<std::string_view, 11> fld;  ///< fld[0] is field 1, fld[10] is field 11
  std::string_view val1;                 ///< the stamp text of this version
  std::string_view val3;                 ///< first half of the order key
  std::string_view val11;                ///< second half of the order key
};

/// A line from the service's answer. Drops two characters in front of field 1 on
/// the first server line of the run (srvseen false, then set), one on every later
/// one, and then one more from field 1 unless it starts with "m" or "M".
[[nodiscard]] OrderRecord ParseServerLine(std::string_view line, bool& srvseen);
/// A line of the order log.
[[nodiscard]] OrderRecord ParseLogLine(std::string_view line);
/// A line of the current-order file.
[[nodiscard]] OrderRecord ParseOrderLine(std::string_view line);

/// The values of fields 1, 3 and 11 of a log or order line, exactly as
/// ParseLogLine gives them, found without taking the other fields apart: the
/// reconciliation needs only these for most lines of a long order log.
struct LineKeys {
  std::string_view val1;
  std::string_view val3;
  std::string_view val11;
};
[[nodiscard]] LineKeys log_line_keys(std::string_view line);

/// val3 immediately followed by val11.
[[nodiscard]] std::string order_key(const OrderRecord& record);
/// val3, val11 and val1 joined.
[[nodiscard]] std::string version_key(const OrderRecord& record);
/// The eleven fields trimmed and joined with "," and nothing else.
[[nodiscard]] std::string canonical_line(const OrderRecord& record);

/// The value of a "key=value" field text: after the first "=", trimmed; the whole
/// text trimmed when there is no "=".
[[nodiscard]] std::string_view field_value(std::string_view field_text);

}  // namespace lumari::core
