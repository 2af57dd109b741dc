// The platform's adapter source and clock run and give well-formed answers; the
// identity built from the adapters and the run log's texts are tested in the core.
#include <gtest/gtest.h>

#include "ports_under_test.h"

namespace lumari::test {

TEST_P(LocalPortsTest, AdapterListIsConsistent) {
  const core::AdapterList list = GetParam().make_adapter_source()->list_adapters();
  if (list.count == 0) {
    EXPECT_TRUE(list.records.empty());
    return;
  }
  if (!list.read_ok) {
    EXPECT_TRUE(list.records.empty());
    return;
  }
  EXPECT_FALSE(list.records.empty());
  EXPECT_LE(list.records.size(), list.count);
  for (const core::AdapterRecord& record : list.records) {
    EXPECT_NE(record.type, 0u);
    EXPECT_LE(record.address.size(), 8u);
    if (record.type == core::kAdapterTypeEthernet) {
      EXPECT_EQ(record.address.size(), 6u);
    }
  }
}

TEST_P(LocalPortsTest, AdapterListIsTheSameOnASecondRead) {
  auto source = GetParam().make_adapter_source();
  const core::AdapterList first = source->list_adapters();
  const core::AdapterList second = source->list_adapters();
  EXPECT_EQ(first.count, second.count);
  EXPECT_EQ(first.read_ok, second.read_ok);
  ASSERT_EQ(first.records.size(), second.records.size());
  for (std::size_t i = 0; i < first.records.size(); ++i) {
    EXPECT_EQ(first.records[i].type, second.records[i].type);
    EXPECT_EQ(first.records[i].address, second.records[i].address);
  }
}

TEST_P(LocalPortsTest, ClockGivesAPlausibleLocalTime) {
  const core::DateTime now = GetParam().make_clock()->now();
  EXPECT_GE(now.year, 2020);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_GE(now.day, 1);
  EXPECT_LE(now.day, 31);
  EXPECT_GE(now.hour, 0);
  EXPECT_LE(now.hour, 23);
  EXPECT_GE(now.minute, 0);
  EXPECT_LE(now.minute, 59);
  EXPECT_GE(now.second, 0);
  EXPECT_LE(now.second, 60);
}

TEST_P(LocalPortsTest, ClockFormatsDateAndTimeWithTheirParts) {
  auto clock = GetParam().make_clock();
  const core::DateTime when{2024, 3, 17, 13, 5, 9};
  const std::string date = clock->short_date_text(when);
  const std::string time = clock->time_text(when);
  // Short date forms differ by locale (3/17/2024, 17.03.24, 2024-03-17), but
  // every one shows the day and the year's last two digits.
  EXPECT_NE(date.find("17"), std::string::npos) << date;
  EXPECT_NE(date.find("24"), std::string::npos) << date;
  EXPECT_NE(time.find("05"), std::string::npos) << time;
  EXPECT_NE(time.find("09"), std::string::npos) << time;
}

}  // namespace lumari::test
