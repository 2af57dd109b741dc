// Reading the time stamp of an order version in its accepted written forms.
#include "sync/stamp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "support/civil_calendar.h"
#include "sync/order_record.h"

namespace lumari::test {
namespace {

struct When {
  int year, month, day, hour = 0, minute = 0, second = 0;
};

core::Stamp stamp_of(const When& w) {
  const std::int64_t days =
      days_from_civil(w.year, static_cast<unsigned>(w.month), static_cast<unsigned>(w.day)) -
      days_from_civil(1, 1, 1);
  return days * 86400 + w.hour * 3600 + w.minute * 60 + w.second;
}

struct StampCase {
  std::string_view text;
  std::optional<When> when;
};

const StampCase kStampCases[] = {
    // Year first with ".", "-" or "/", time with or without seconds, or none.
    {"2026.12.05 14:03", When{2026, 12, 5, 14, 3}},
    {"2026.12.05 14:03:07", When{2026, 12, 5, 14, 3, 7}},
    {"2026.12.05", When{2026, 12, 5}},
    {"2026.1.5 4:03", When{2026, 1, 5, 4, 3}},
    {"2026-12-05 14:03", When{2026, 12, 5, 14, 3}},
    {"2026-12-05T14:03:07", When{2026, 12, 5, 14, 3, 7}},
    {"2026-12-05", When{2026, 12, 5}},
    {"2026/12/05 14:03:07", When{2026, 12, 5, 14, 3, 7}},
    {"2026/12/05", When{2026, 12, 5}},
    {"  2026.12.05 14:03  ", When{2026, 12, 5, 14, 3}},
    {"2026.12.05  14:03", When{2026, 12, 5, 14, 3}},
    {"0001.01.01 00:00", When{1, 1, 1}},
    {"9999.12.31 23:59:59", When{9999, 12, 31, 23, 59, 59}},
    // Month first, or day first when the first number is over 12.
    {"12/5/2026 14:03", When{2026, 12, 5, 14, 3}},
    {"5/12/2026", When{2026, 5, 12}},
    {"05/12/2026 2:03:04", When{2026, 5, 12, 2, 3, 4}},
    {"13/5/2026", When{2026, 5, 13}},
    {"25/12/2026 10:00", When{2026, 12, 25, 10, 0}},
    {"12/13/2026", When{2026, 12, 13}},
    // AM and PM, in any letter case.
    {"12/5/2026 2:03 PM", When{2026, 12, 5, 14, 3}},
    {"12/5/2026 2:03:09 AM", When{2026, 12, 5, 2, 3, 9}},
    {"12/5/2026 12:00 AM", When{2026, 12, 5, 0, 0}},
    {"12/5/2026 12:30 PM", When{2026, 12, 5, 12, 30}},
    {"12/5/2026 11:59:59 pm", When{2026, 12, 5, 23, 59, 59}},
    {"12/5/2026 1:00 am", When{2026, 12, 5, 1, 0}},
    {"12/5/2026 1:00  PM", When{2026, 12, 5, 13, 0}},
    // Leap days.
    {"2024.02.29", When{2024, 2, 29}},
    {"2000.02.29", When{2000, 2, 29}},
    {"2/29/2024 10:00", When{2024, 2, 29, 10, 0}},
    // Dates that do not exist.
    {"2026.02.30", std::nullopt},
    {"2023.02.29", std::nullopt},
    {"1900.02.29", std::nullopt},
    {"2026.04.31 10:00", std::nullopt},
    {"2026.00.10", std::nullopt},
    {"2026.13.10", std::nullopt},
    {"2026.12.00", std::nullopt},
    {"0000.01.01", std::nullopt},
    {"13/13/2026", std::nullopt},
    {"2/30/2026", std::nullopt},
    {"31/2/2026", std::nullopt},
    // Times that do not exist.
    {"2026.12.05 24:00", std::nullopt},
    {"2026.12.05 23:60", std::nullopt},
    {"2026.12.05 23:59:60", std::nullopt},
    {"12/5/2026 0:30 AM", std::nullopt},
    {"12/5/2026 13:00 PM", std::nullopt},
    {"12/5/2026 24:00", std::nullopt},
    // Forms not accepted.
    {"2026.12.05T14:03", std::nullopt},
    {"2026/12/05T14:03", std::nullopt},
    {"2026.12-05", std::nullopt},
    {"2026.12.05 14:03 PM", std::nullopt},
    {"12/5/2026 2:03PM", std::nullopt},
    {"12/5/2026 2:03 XM", std::nullopt},
    {"12/5/2026 2:03 P", std::nullopt},
    {"12/5/2026 AM", std::nullopt},
    {"12/5/26", std::nullopt},
    {"12-5-2026", std::nullopt},
    {"12.5.2026", std::nullopt},
    {"02026.12.05", std::nullopt},
    {"2026.123.05", std::nullopt},
    {"2026.12.05 14", std::nullopt},
    {"2026.12.05 14:3", std::nullopt},
    {"2026.12.05 14:03:7", std::nullopt},
    {"2026.12.05 14:03:07.5", std::nullopt},
    {"2026.12.05 14:03:", std::nullopt},
    {"2026.12.05 140:03", std::nullopt},
    {"2026.12.0514:03", std::nullopt},
    {"2026.12.05\t14:03", std::nullopt},
    {"2026.12.05 14:03x", std::nullopt},
    {"\t2026.12.05", std::nullopt},
    {"2026", std::nullopt},
    {"2026.12", std::nullopt},
    {"abc", std::nullopt},
    {"", std::nullopt},
    {"   ", std::nullopt},
    {"-2026.12.05", std::nullopt},
};

TEST(ReadStampText, ReadsTheAcceptedFormsAndNothingElse) {
  for (const auto& c : kStampCases) {
    const std::optional<core::Stamp> read = core::read_stamp_text(c.text);
    if (c.when) {
      ASSERT_TRUE(read.has_value()) << '"' << c.text << '"';
      EXPECT_EQ(*read, stamp_of(*c.when)) << '"' << c.text << '"';
    } else {
      EXPECT_FALSE(read.has_value()) << '"' << c.text << '"' << " read as " << *read;
    }
  }
}

TEST(ReadStampText, SameMomentInEveryFormIsEqual) {
  const std::string_view forms[] = {"2026.12.05 14:03:07",  "2026-12-05T14:03:07",
                                    "2026-12-05 14:03:07",  "2026/12/05 14:03:07",
                                    "12/5/2026 2:03:07 PM", "12/5/2026 14:03:07"};
  for (const auto form : forms) {
    EXPECT_EQ(core::read_stamp_text(form), core::read_stamp_text(forms[0])) << form;
  }
}

TEST(ReadStampText, OrdersChronologicallyAcrossForms) {
  const std::string_view rising[] = {
      "1999.12.31 23:59:59", "1/1/2000",       "2000-01-01 00:00:01", "2/28/2000 11:59 PM",
      "2000/02/29",          "29/2/2000 0:01", "2026.12.05 14:03",    "12/5/2026 2:04 PM",
  };
  for (std::size_t i = 1; i < std::size(rising); ++i) {
    const auto earlier = core::read_stamp_text(rising[i - 1]);
    const auto later = core::read_stamp_text(rising[i]);
    ASSERT_TRUE(earlier && later) << rising[i - 1] << " / " << rising[i];
    EXPECT_LT(*earlier, *later) << rising[i - 1] << " / " << rising[i];
  }
}

TEST(RecordStamp, DropsTheLastTwoCharactersOfValue1) {
  const struct {
    std::string_view line;
    std::optional<When> when;
  } cases[] = {
      {"m=2026.12.05 14:03:0700,b,c=1,d,e,f,g,h,i,j,k=2", When{2026, 12, 5, 14, 3, 7}},
      {"m=2026.12.05 14:03ab,b,c=1,d,e,f,g,h,i,j,k=2", When{2026, 12, 5, 14, 3}},
      {"m= 2026.12.05zz  ,b,c=1,d,e,f,g,h,i,j,k=2", When{2026, 12, 5}},
      // The two characters are dropped from the trimmed value.
      {"m= 2026.12.05  ,b,c=1,d,e,f,g,h,i,j,k=2", std::nullopt},
      {"m=12/5/2026 2:03 PM00,b,c=1,d,e,f,g,h,i,j,k=2", When{2026, 12, 5, 14, 3}},
      // val1 trimmed first: the spaces before the two characters stay and trim away.
      {"m=2026.12.05 14:03 xx,b,c=1,d,e,f,g,h,i,j,k=2", When{2026, 12, 5, 14, 3}},
      // Without the two characters the rest is no date.
      {"m=2026.12.05 14:03,b,c=1,d,e,f,g,h,i,j,k=2", std::nullopt},
      {"m=2026.12.05 14:03:07,b,c=1,d,e,f,g,h,i,j,k=2", std::nullopt},
      {"m=garbage,b,c=1,d,e,f,g,h,i,j,k=2", std::nullopt},
      // Too short to drop two characters, or nothing left.
      {"m=,b,c=1,d,e,f,g,h,i,j,k=2", std::nullopt},
      {"m=1,b,c=1,d,e,f,g,h,i,j,k=2", std::nullopt},
      {"m=12,b,c=1,d,e,f,g,h,i,j,k=2", std::nullopt},
      // A blank record has a one-space val1.
      {"x", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto stamp = core::record_stamp(core::ParseLogLine(c.line));
    if (c.when) {
      ASSERT_TRUE(stamp.has_value()) << c.line;
      EXPECT_EQ(*stamp, stamp_of(*c.when)) << c.line;
    } else {
      EXPECT_FALSE(stamp.has_value()) << c.line;
    }
  }
}

}  // namespace
}  // namespace lumari::test
