#include "shell/machine_identity.h"

#include <gtest/gtest.h>

#include "support/fake_ports.h"

namespace lumari::core {
namespace {

constexpr std::uint32_t kWireless = 71;
constexpr std::uint32_t kLoopback = 24;

TEST(MachineIdentity, FormsOfTheIdentityText) {
  const std::vector<std::uint8_t> first = {0x00, 0x0c, 0x29, 0x4f, 0x8e, 0x35};
  const std::vector<std::uint8_t> second = {0x0a, 0x00, 0xff, 0x10, 0x01, 0xab};
  const struct {
    const char* name;
    AdapterList list;
    std::string loginid;
    std::string box;
  } cases[] = {
      {"one ethernet", {1, true, {{6, first}}}, "00-0C-29-4F-8E-35", "00-0C-29-4F-8E-35"},
      {"last ethernet wins",
       {3, true, {{6, first}, {kWireless, second}, {6, second}}},
       "0A-00-FF-10-01-AB",
       "0A-00-FF-10-01-AB"},
      {"ethernet then others",
       {2, true, {{6, first}, {kLoopback, second}}},
       "00-0C-29-4F-8E-35",
       "00-0C-29-4F-8E-35"},
      {"no ethernet",
       {2, true, {{kWireless, first}, {kWireless, second}}},
       "2 Adapter(s):\r\n",
       "2 Adapter(s):\r\n"},
      {"unreadable after size", {3, false, {}}, "3 Adapter(s):\r\n", ""},
      {"no adapters", {0, true, {}}, "previous", ""},
      {"walk stops at the count",
       {1, true, {{kWireless, first}, {6, second}}},
       "1 Adapter(s):\r\n",
       "1 Adapter(s):\r\n"},
  };
  for (const auto& c : cases) {
    test::FakeAdapters adapters;
    adapters.list = c.list;
    std::string loginid = "previous";
    EXPECT_EQ(GetMachineIdentity(adapters, loginid), c.box) << c.name;
    EXPECT_EQ(loginid, c.loginid) << c.name;
  }
}

TEST(MachineIdentity, AddressAlwaysHasSeventeenCharacters) {
  EXPECT_EQ(FormatAdapterAddress({0x00, 0x0C, 0x29, 0x4F, 0x8E, 0x35}), "00-0C-29-4F-8E-35");
  EXPECT_EQ(FormatAdapterAddress({0x0A, 0x00, 0x01, 0x10, 0xF0, 0xFF}), "0A-00-01-10-F0-FF");
  EXPECT_EQ(FormatAdapterAddress({0xAB, 0xCD}), "AB-CD-00-00-00-00");
  EXPECT_EQ(FormatAdapterAddress({}), "00-00-00-00-00-00");
  EXPECT_EQ(FormatAdapterAddress({1, 2, 3, 4, 5, 6, 7, 8}), "01-02-03-04-05-06");
}

}  // namespace
}  // namespace lumari::core
