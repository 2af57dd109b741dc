// Port: the local date and time, and the system's formats for showing them.
#pragma once

#include <string>

namespace lumari::core {

/// A local calendar date and time of day.
struct DateTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;

  friend bool operator==(const DateTime&, const DateTime&) = default;
};

class Clock {
 public:
  virtual ~Clock() = default;

  /// The current local date and time.
  [[nodiscard]] virtual DateTime now() = 0;

  /// The date in the system's short date format.
  [[nodiscard]] virtual std::string short_date_text(const DateTime& when) = 0;

  /// The time of day in the system's time format.
  [[nodiscard]] virtual std::string time_text(const DateTime& when) = 0;
};

}  // namespace lumari::core
