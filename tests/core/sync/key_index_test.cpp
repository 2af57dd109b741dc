// Keys made of several pieces, compared and hashed as the joined text.
#include "sync/key_index.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumari::test {
namespace {

using core::KeyParts;

TEST(KeyIndex, SameKeyComparesTheJoinedText) {
  const struct {
    KeyParts x, y;
    bool same;
  } cases[] = {
      {{"12", "3", ""}, {"1", "23", ""}, true},   {{"12", "3", "x"}, {"", "123", "x"}, true},
      {{"", "", "123x"}, {"1", "2", "3x"}, true}, {{"", "", ""}, {"", "", ""}, true},
      {{"12", "3", ""}, {"12", "4", ""}, false},  {{"12", "3", ""}, {"12", "3", " "}, false},
      {{"a", "b", ""}, {"A", "b", ""}, false},    {{"ab", "", "c"}, {"a", "bc", ""}, true},
      {{"ab", "", "c"}, {"a", "bd", ""}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(core::same_key(c.x, c.y), c.same) << c.x.a << '|' << c.x.b << '|' << c.x.c;
    EXPECT_EQ(core::same_key(c.y, c.x), c.same);
    if (c.same) {
      EXPECT_EQ(core::hash_key(c.x), core::hash_key(c.y));
    }
  }
}

struct Entry {
  KeyParts key;
  std::size_t next_same_hash = core::kNoEntry;
  int value = 0;
};

TEST(KeyIndex, FindsEntriesByJoinedKey) {
  core::KeyedEntries<Entry> entries;
  const std::string a = "12";
  const std::string b = "3";
  const KeyParts first{a, b, {}};
  const std::size_t at = entries.add(core::hash_key(first), Entry{first, core::kNoEntry, 7});
  const KeyParts other{"1", "23", {}};
  EXPECT_EQ(entries.find(core::hash_key(other), other), at);
  EXPECT_EQ(entries[at].value, 7);
  const KeyParts missing{"1", "24", {}};
  EXPECT_EQ(entries.find(core::hash_key(missing), missing), core::kNoEntry);
}

TEST(KeyIndex, KeysSharingAHashStayApart) {
  core::KeyedEntries<Entry> entries;
  const KeyParts x{"x", "", ""};
  const KeyParts y{"y", "", ""};
  // Both filed under one hash value, as two keys whose hashes collide would be.
  const std::size_t at_x = entries.add(42, Entry{x, core::kNoEntry, 1});
  const std::size_t at_y = entries.add(42, Entry{y, core::kNoEntry, 2});
  EXPECT_EQ(entries.find(42, x), at_x);
  EXPECT_EQ(entries.find(42, y), at_y);
  EXPECT_EQ(entries.find(42, KeyParts{"z", "", ""}), core::kNoEntry);
  EXPECT_EQ(entries.size(), 2u);
}

TEST(KeyIndex, FindsEveryKeyAfterTheTableGrows) {
  core::KeyedEntries<Entry> entries;
  std::vector<std::string> texts;
  for (int i = 0; i < 20000; ++i) texts.push_back("key" + std::to_string(i));
  for (int i = 0; i < 20000; ++i) {
    const KeyParts key{texts[i], {}, {}};
    ASSERT_EQ(entries.find(core::hash_key(key), key), core::kNoEntry) << i;
    entries.add(core::hash_key(key), Entry{key, core::kNoEntry, i});
  }
  for (int i = 0; i < 20000; ++i) {
    const KeyParts key{"ke", std::string_view(texts[i]).substr(2), {}};
    const std::size_t at = entries.find(core::hash_key(key), key);
    ASSERT_NE(at, core::kNoEntry) << i;
    EXPECT_EQ(entries[at].value, i);
  }
}

}  // namespace
}  // namespace lumari::test
