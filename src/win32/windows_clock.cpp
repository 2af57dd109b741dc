#include "win32/windows_clock.h"

#include <windows.h>

#include <string>

namespace lumari::win32 {
namespace {

/// Calls a GetXxxFormatA function twice: once for the size, once for the text.
/// An invalid date or time gives an empty text.
template <typename Format>
std::string format_text(Format format) {
  const int needed = format(nullptr, 0);
  if (needed <= 0) return {};
  std::string text(static_cast<std::size_t>(needed), '\0');
  const int written = format(text.data(), needed);
  if (written <= 0) return {};
  text.resize(static_cast<std::size_t>(written - 1));  // the count includes the NUL
  return text;
}

class WindowsClock final : public core::Clock {
 public:
  core::DateTime now() override {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
  }

  std::string short_date_text(const core::DateTime& when) override {
    const SYSTEMTIME st = to_system_time(when);
    return format_text([&](char* out, int size) {
      return GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, out, size);
    });
  }

  std::string time_text(const core::DateTime& when) override {
    const SYSTEMTIME st = to_system_time(when);
    return format_text([&](char* out, int size) {
      return GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, out, size);
    });
  }
};

}  // namespace

SYSTEMTIME to_system_time(const core::DateTime& when) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(when.year);
  st.wMonth = static_cast<WORD>(when.month);
  st.wDay = static_cast<WORD>(when.day);
  st.wHour = static_cast<WORD>(when.hour);
  st.wMinute = static_cast<WORD>(when.minute);
  st.wSecond = static_cast<WORD>(when.second);
  return st;
}

std::unique_ptr<core::Clock> make_windows_clock() { return std::make_unique<WindowsClock>(); }

}  // namespace lumari::win32
