// The time stamp of an order version: the value of field 1 without its last two
// characters, read as a date and time in a fixed set of written forms, the same
// on every machine whatever its regional settings.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "sync/order_record.h"

namespace lumari::core {

/// Seconds since 0001-01-01 00:00:00; only compared, never shown.
using Stamp = std::int64_t;

/// Reads "yyyy.mm.dd hh:mm[:ss]", "yyyy-mm-dd[ T]hh:mm[:ss]", "yyyy/mm/dd hh:mm[:ss]"
/// and "m/d/yyyy h:mm[:ss][ AM|PM]" (month first unless the first number is over
/// 12), each also as a date alone. Surrounding spaces are ignored. Nothing when
/// the text is not a valid date and time in one of these forms.
[[nodiscard]] std::optional<Stamp> read_stamp_text(std::string_view text);

/// The stamp of a record: val1 without its last two characters; nothing when
/// val1 is shorter than two characters or the rest does not read.
[[nodiscard]] std::optional<Stamp> record_stamp(const OrderRecord& record);
/// The same from the value of field 1 alone.
[[nodiscard]] std::optional<Stamp> value_stamp(std::string_view val1);

}  // namespace lumari::core
