#include "headless/system_clock.h"

#include <ctime>
#include <string>

namespace lumari::headless {
namespace {

std::tm to_tm(const core::DateTime& when) {
  std::tm tm{};
  tm.tm_year = when.year - 1900;
  tm.tm_mon = when.month - 1;
  tm.tm_mday = when.day;
  tm.tm_hour = when.hour;
  tm.tm_min = when.minute;
  tm.tm_sec = when.second;
  tm.tm_isdst = -1;
  return tm;
}

std::string format(const core::DateTime& when, const char* pattern) {
  const std::tm tm = to_tm(when);
  char buffer[128];
  const std::size_t n = std::strftime(buffer, sizeof buffer, pattern, &tm);
  return std::string(buffer, n);
}

class SystemClock final : public core::Clock {
 public:
  core::DateTime now() override {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
  }
  std::string short_date_text(const core::DateTime& when) override { return format(when, "%x"); }
  std::string time_text(const core::DateTime& when) override { return format(when, "%X"); }
};

}  // namespace

std::unique_ptr<core::Clock> make_system_clock() { return std::make_unique<SystemClock>(); }

}  // namespace lumari::headless
