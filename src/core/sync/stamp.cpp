#include "sync/stamp.h"

#include "text/trim.h"

namespace lumari::core {
namespace {

// A small cursor over the text; every reader advances only on success.
struct Cursor {
  std::string_view text;
  std::size_t pos = 0;

  [[nodiscard]] bool at_end() const { return pos == text.size(); }
  [[nodiscard]] char peek() const { return at_end() ? '\0' : text[pos]; }

  bool take(char c) {
    if (peek() != c) return false;
    ++pos;
    return true;
  }

  // Between min_digits and max_digits decimal digits.
  bool number(int min_digits, int max_digits, int& value) {
    int count = 0;
    int result = 0;
    while (count < max_digits && peek() >= '0' && peek() <= '9') {
      result = result * 10 + (peek() - '0');
      ++pos;
      ++count;
    }
    if (count < min_digits) return false;
    // A longer run of digits than the form allows is not this form.
    if (peek() >= '0' && peek() <= '9') return false;
    value = result;
    return true;
  }

  bool spaces() {
    const std::size_t start = pos;
    while (peek() == ' ') ++pos;
    return pos > start;
  }
};

bool is_leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int days_in_month(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && is_leap(year) ? 29 : kDays[month - 1];
}

// Days from 0001-01-01 in the proleptic Gregorian calendar.
std::int64_t day_number(int year, int month, int day) {
  const std::int64_t y = year - 1;
  std::int64_t days = y * 365 + y / 4 - y / 100 + y / 400;
  for (int m = 1; m < month; ++m) days += days_in_month(year, m);
  return days + day - 1;
}

bool valid_date(int year, int month, int day) {
  return year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= days_in_month(year, month);
}

struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// "h:mm[:ss]", and with allow_meridiem a following " AM" or " PM".
bool read_time(Cursor& in, bool allow_meridiem, TimeOfDay& time) {
  if (!in.number(1, 2, time.hour) || !in.take(':') || !in.number(2, 2, time.minute)) return false;
  if (in.take(':') && !in.number(2, 2, time.second)) return false;
  if (allow_meridiem) {
    Cursor probe = in;
    if (probe.spaces()) {
      const char m = probe.peek();
      if (m == 'A' || m == 'a' || m == 'P' || m == 'p') {
        ++probe.pos;
        if (!(probe.take('M') || probe.take('m'))) return false;
        if (time.hour < 1 || time.hour > 12) return false;
        time.hour %= 12;
        if (m == 'P' || m == 'p') time.hour += 12;
        in = probe;
      }
    }
  }
  return time.hour <= 23 && time.minute <= 59 && time.second <= 59;
}

std::optional<Stamp> finish(Cursor& in, int year, int month, int day, bool allow_t,
                            bool allow_meridiem) {
  if (!valid_date(year, month, day)) return std::nullopt;
  TimeOfDay time;
  if (!in.at_end()) {
    const bool separated = in.spaces() || (allow_t && in.take('T'));
    if (!separated || !read_time(in, allow_meridiem, time) || !in.at_end()) return std::nullopt;
  }
  return day_number(year, month, day) * 86400 + time.hour * 3600 + time.minute * 60 + time.second;
}

}  // namespace

std::optional<Stamp> read_stamp_text(std::string_view text) {
  Cursor in{trim_spaces(text)};
  int first = 0;
  const Cursor start = in;
  if (in.number(4, 4, first)) {
    const char sep = in.peek();
    if (sep != '.' && sep != '-' && sep != '/') return std::nullopt;
    ++in.pos;
    int month = 0;
    int day = 0;
    if (!in.number(1, 2, month) || !in.take(sep) || !in.number(1, 2, day)) return std::nullopt;
    return finish(in, first, month, day, sep == '-', false);
  }
  in = start;
  int second = 0;
  int year = 0;
  if (!in.number(1, 2, first) || !in.take('/') || !in.number(1, 2, second) || !in.take('/') ||
      !in.number(4, 4, year)) {
    return std::nullopt;
  }
  const bool day_first = first > 12;
  return finish(in, year, day_first ? second : first, day_first ? first : second, false, true);
}

std::optional<Stamp> record_stamp(const OrderRecord& record) { return value_stamp(record.val1); }

std::optional<Stamp> value_stamp(std::string_view val1) {
  if (val1.size() < 2) return std::nullopt;
  return read_stamp_text(val1.substr(0, val1.size() - 2));
}

}  // namespace lumari::core
