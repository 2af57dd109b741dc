// The stamp reader on any bytes. A text that reads is a valid date and time: the
// stamp written back in each accepted form reads as the same stamp, and a text in
// the log's own form gives the stamp counted independently.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "support/civil_calendar.h"
#include "sync/order_record.h"
#include "sync/stamp.h"

namespace {

using namespace lumari;
using core::Stamp;
using test::Civil;
using test::civil_from_days;
using test::days_from_civil;
using test::fuzz::require;

const std::int64_t kEpochDay = days_from_civil(1, 1, 1);  // day 0 of a stamp

struct Parts {
  Civil date;
  int hour, minute, second;
};

Parts parts_of(Stamp stamp) {
  const std::int64_t seconds = stamp % 86400;
  return {civil_from_days(stamp / 86400 + kEpochDay), static_cast<int>(seconds / 3600),
          static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60)};
}

std::string format(const char* pattern, const Parts& p) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, static_cast<long long>(p.date.year), p.date.month,
                p.date.day, p.hour, p.minute, p.second);
  return text;
}

std::string twelve_hour(const Parts& p) {
  char text[64];
  const int hour = p.hour % 12 == 0 ? 12 : p.hour % 12;
  std::snprintf(text, sizeof text, "%u/%u/%04lld %d:%02d:%02d %s", p.date.month, p.date.day,
                static_cast<long long>(p.date.year), hour, p.minute, p.second,
                p.hour < 12 ? "AM" : "PM");
  return text;
}

bool digits_at(std::string_view text, std::size_t at, std::size_t count, int& value) {
  value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

// "yyyy.mm.dd hh:mm:ss" exactly, counted without the reader.
std::optional<Stamp> log_form_stamp(std::string_view text) {
  if (text.size() != 19 || text[4] != '.' || text[7] != '.' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':') {
    return std::nullopt;
  }
  int y, mo, d, h, mi, s;
  if (!digits_at(text, 0, 4, y) || !digits_at(text, 5, 2, mo) || !digits_at(text, 8, 2, d) ||
      !digits_at(text, 11, 2, h) || !digits_at(text, 14, 2, mi) || !digits_at(text, 17, 2, s)) {
    return std::nullopt;
  }
  if (y < 1 || mo < 1 || mo > 12 || d < 1 || h > 23 || mi > 59 || s > 59) return std::nullopt;
  const Civil back =
      civil_from_days(days_from_civil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)));
  if (back.month != static_cast<unsigned>(mo) || back.day != static_cast<unsigned>(d)) {
    return std::nullopt;  // no such day in that month
  }
  return (days_from_civil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) - kEpochDay) *
             86400 +
         h * 3600 + mi * 60 + s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = test::fuzz::as_text(data, size);
  const std::optional<Stamp> stamp = core::read_stamp_text(text);

  // A record's stamp is val1 without its last two characters.
  core::OrderRecord record;
  record.val1 = text;
  const std::optional<Stamp> of_record = core::record_stamp(record);
  if (size < 2) {
    require(!of_record, "a val1 shorter than two characters has no stamp", text);
  } else {
    require(of_record == core::read_stamp_text(text.substr(0, size - 2)),
            "a record's stamp drops two characters", text);
  }

  const std::optional<Stamp> independent = log_form_stamp(text);
  if (independent) require(stamp == independent, "the log's form counts as the calendar", text);
  if (!stamp) return 0;

  const Stamp kLast = (days_from_civil(9999, 12, 31) - kEpochDay) * 86400 + 86399;
  require(*stamp >= 0 && *stamp <= kLast, "a stamp lies within years 1 to 9999", text);
  const Parts parts = parts_of(*stamp);
  require(parts.date.year >= 1 && parts.date.year <= 9999, "a stamp's year has four digits", text);

  for (const std::string& again : {format("%04lld.%02u.%02u %02d:%02d:%02d", parts),
                                   format("%04lld-%02u-%02uT%02d:%02d:%02d", parts),
                                   format("%04lld/%u/%u %d:%02d:%02d", parts), twelve_hour(parts),
                                   " " + format("%04lld.%02u.%02u %02d:%02d:%02d", parts) + "  "}) {
    require(core::read_stamp_text(again) == stamp, "a stamp written back reads the same",
            std::string(text) + " -> " + again);
  }
  const Stamp midnight = *stamp - *stamp % 86400;
  require(core::read_stamp_text(format("%04lld.%02u.%02u", parts)) == midnight,
          "a date alone is its midnight", text);
  return 0;
}
