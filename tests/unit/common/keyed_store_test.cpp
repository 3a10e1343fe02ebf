#include "common/keyed_store.h"

#include <gtest/gtest.h>

#include "common/package_cipher.h"
#include "common/text.h"

namespace {

TEST(BytesBetween, TakesFirstStartThenFirstFollowingEnd) {
  struct Case {
    const char* name;
    Bytes data, start, end, expected;
  } cases[] = {
      {"simple", "xx<a>body</a>yy", "<a>", "</a>", "body"},
      {"first start wins", "<a>one</a><a>two</a>", "<a>", "</a>", "one"},
      {"end before start is skipped", "</a><a>late</a>", "<a>", "</a>", "late"},
      {"adjacent patterns", "<a></a>", "<a>", "</a>", ""},
      {"start missing", "body</a>", "<a>", "</a>", ""},
      {"end missing", "<a>body", "<a>", "</a>", ""},
      {"end overlapping start is not used", "abcd", "abc", "bcd", ""},
      {"empty start", "<a>body</a>", "", "</a>", ""},
      {"empty end", "<a>body</a>", "<a>", "", ""},
      {"binary bytes", Bytes("\0\1k\1\0\xff", 6) + "kend", "k\1", "kend", Bytes("\0\xff", 2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(BytesBetween(c.data, c.start, c.end), c.expected);
  }
}

class KeyedStore : public testing::TestWithParam<bool> {};

TEST_P(KeyedStore, RoundTripsSeveralItems) {
  const bool enciphered = GetParam();
  const std::pair<std::string, Bytes> items[] = {
      {"logo", Bytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
      {"图片1", "first picture"},
      {"readme", std::string(5000, 'r')},
      {"x", "1"},
  };
  Bytes store;
  for (const auto& [key, item] : items) AppendKeyedItem(store, key, item, enciphered);
  for (const auto& [key, item] : items) {
    SCOPED_TRACE(key);
    Bytes found;
    ASSERT_TRUE(ReadKeyedItem(store, key, enciphered, found));
    EXPECT_EQ(found, item);
  }
  // The plain variant keeps key and data readable; the enciphered one shows neither.
  EXPECT_EQ(text::Contains(store, "first picture"), !enciphered);
  EXPECT_EQ(text::Contains(store, "readme"), !enciphered);
}

TEST_P(KeyedStore, MissesLeaveTheItemUnchanged) {
  const bool enciphered = GetParam();
  Bytes store;
  AppendKeyedItem(store, "present", "data", enciphered);
  AppendKeyedItem(store, "empty", "", enciphered);
  Bytes unterminated = store;
  AppendKeyedItem(unterminated, "cut", "lost", enciphered);
  unterminated.resize(unterminated.size() - 3);  // without "end"

  struct Case {
    const char* name;
    Bytes store;
    std::string key;
  } cases[] = {
      {"missing key", store, "absent"},
      {"empty item", store, "empty"},
      {"case differs", store, "Present"},
      {"empty store", "", "present"},
      {"no end marker", unterminated, "cut"},
      {"other variant", store, "present"},  // looked up with the other variant below
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes item = "untouched";
    bool variant = std::string(c.name) == "other variant" ? !enciphered : enciphered;
    EXPECT_FALSE(ReadKeyedItem(c.store, c.key, variant, item));
    EXPECT_EQ(item, "untouched");
  }
}

INSTANTIATE_TEST_SUITE_P(PlainAndEnciphered, KeyedStore, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "Enciphered" : "Plain";
                         });

// Keys are raw byte patterns with no framing: the first place where key + 0x01 occurs wins,
// even inside another item's key.
TEST(KeyedStoreRaw, KeysMatchAsRawBytes) {
  Bytes store;
  AppendKeyedItem(store, "name2", "second", false);
  AppendKeyedItem(store, "name", "first", false);
  Bytes item;
  ASSERT_TRUE(ReadKeyedItem(store, "name", false, item));
  EXPECT_EQ(item, "first");  // "name" + 0x01 does not occur inside "name2" + 0x01

  Bytes suffix_store;
  AppendKeyedItem(suffix_store, "ab", "XY", false);  // "ab\1XYabend"
  AppendKeyedItem(suffix_store, "b", "real", false);
  ASSERT_TRUE(ReadKeyedItem(suffix_store, "b", false, item));
  EXPECT_EQ(item, "XYa");  // "b\1" first occurs inside "ab\1", and "bend" ends it
}

// Stores made by hand, as the packaging tool writes them, read the same way.
TEST(KeyedStoreRaw, ReadsAHandMadeStore) {
  const Bytes store = Bytes("var1\x01value onevar1end", 21) + Bytes("v\x01", 2) + "2vend";
  Bytes item;
  ASSERT_TRUE(ReadKeyedItem(store, "var1", false, item));
  EXPECT_EQ(item, "value one");
  ASSERT_TRUE(ReadKeyedItem(store, "v", false, item));
  EXPECT_EQ(item, "2");

  const Bytes key = cipher::Encipher("k", cipher::PassPhrase::kKeyedItem);
  const Bytes enciphered_store =
      key + "\x01" + cipher::Encipher("secret", cipher::PassPhrase::kKeyedItem) + key + "end";
  ASSERT_TRUE(ReadKeyedItem(enciphered_store, "k", true, item));
  EXPECT_EQ(item, "secret");
}

}  // namespace
