// Registry round trips every platform must make (native host and win32 under Wine), under a
// key of its own that the test deletes again.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "platform/platform.h"
#include "tests/support/test_folder.h"

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace {

std::string UniqueName() {
  static std::atomic<int> counter{0};
  return std::to_string(getpid()) + "_" + std::to_string(++counter);
}

class Registry : public ::testing::Test {
 protected:
  void TearDown() override {
    plat::RegDeleteKeyTree(plat::kCurrentUser, key_, plat::RegView::kDefault);
    for (plat::RegView view : {plat::RegView::k32, plat::RegView::k64}) {
      plat::RegDeleteKeyTree(plat::kLocalMachine, machineKey_, view);
    }
  }

  TestFolder machine_;  // resets the host machine; unused on Windows
  const std::string name_ = UniqueName();
  const std::string key_ = "Software\\InstallerTests\\" + name_;
  const std::string machineKey_ = "SOFTWARE\\InstallerTests\\" + name_;
};

TEST_F(Registry, ValuesOfEveryTypeRoundTrip) {
  struct Case {
    const char* name;
    uint32_t type;
    Bytes data;
  } cases[] = {
      {"Text", plat::kRegSz, Bytes("C:\\Program Files\\App", 21)},
      {"中文名", plat::kRegSz, Bytes("安装路径", 9)},
      {"Expand", plat::kRegExpandSz, Bytes("%ProgramFiles%\\App", 19)},
      {"Binary", plat::kRegBinary, BytesOf({0x00, 0x01, 0xFF, 0x00, 0x7F})},
      {"Dword", plat::kRegDword, BytesOf({0x78, 0x56, 0x34, 0x12})},
      {"Multi", plat::kRegMultiSz, Bytes("one\0two\0\0", 9)},
      {"", plat::kRegSz, Bytes("default value", 14)},
      {"EmptyBinary", plat::kRegBinary, Bytes()},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(plat::RegWriteValue(plat::kCurrentUser, key_, c.name, plat::RegView::kDefault,
                                    c.type, c.data))
        << c.name;
  }
  for (const Case& c : cases) {
    plat::RegValue value;
    ASSERT_TRUE(
        plat::RegReadValue(plat::kCurrentUser, key_, c.name, plat::RegView::kDefault, value))
        << c.name;
    EXPECT_EQ(value.type, c.type) << c.name;
    EXPECT_EQ(value.data, c.data) << c.name;
  }

  std::vector<std::string> names =
      plat::RegListValueNames(plat::kCurrentUser, key_, plat::RegView::kDefault);
  EXPECT_EQ(names.size(), std::size(cases));
  EXPECT_NE(std::find(names.begin(), names.end(), "中文名"), names.end());

  // Overwriting changes type and data in place.
  ASSERT_TRUE(plat::RegWriteValue(plat::kCurrentUser, key_, "Dword", plat::RegView::kDefault,
                                  plat::kRegSz, Bytes("now text", 9)));
  plat::RegValue value;
  ASSERT_TRUE(
      plat::RegReadValue(plat::kCurrentUser, key_, "Dword", plat::RegView::kDefault, value));
  EXPECT_EQ(value.type, plat::kRegSz);
  EXPECT_EQ(value.data, Bytes("now text", 9));
}

TEST_F(Registry, NamesCompareWithoutCase) {
  ASSERT_TRUE(plat::RegWriteValue(plat::kCurrentUser, key_ + "\\MixedCase", "ValueName",
                                  plat::RegView::kDefault, plat::kRegSz, Bytes("x", 2)));
  std::string upper = key_ + "\\MIXEDCASE";
  std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  });
  plat::RegValue value;
  EXPECT_TRUE(plat::RegReadValue(plat::kCurrentUser, upper, "VALUENAME", plat::RegView::kDefault,
                                 value));
  EXPECT_TRUE(plat::RegKeyExists(plat::kCurrentUser, key_ + "\\mixedcase", plat::RegView::kDefault));
  EXPECT_EQ(plat::RegListSubkeys(plat::kCurrentUser, key_, plat::RegView::kDefault),
            std::vector<std::string>{"MixedCase"})
      << "the name keeps the case it was created with";
}

TEST_F(Registry, MissingKeysAndValuesFail) {
  plat::RegValue value;
  EXPECT_FALSE(plat::RegKeyExists(plat::kCurrentUser, key_, plat::RegView::kDefault));
  EXPECT_FALSE(plat::RegReadValue(plat::kCurrentUser, key_, "x", plat::RegView::kDefault, value));
  EXPECT_EQ(plat::LastError(), 2u);
  EXPECT_FALSE(plat::RegDeleteValue(plat::kCurrentUser, key_, "x", plat::RegView::kDefault));
  EXPECT_FALSE(plat::RegDeleteKeyTree(plat::kCurrentUser, key_, plat::RegView::kDefault));
  EXPECT_TRUE(plat::RegListSubkeys(plat::kCurrentUser, key_, plat::RegView::kDefault).empty());
  EXPECT_TRUE(plat::RegListValueNames(plat::kCurrentUser, key_, plat::RegView::kDefault).empty());

  ASSERT_TRUE(plat::RegWriteValue(plat::kCurrentUser, key_, "present", plat::RegView::kDefault,
                                  plat::kRegDword, BytesOf({1, 0, 0, 0})));
  EXPECT_FALSE(
      plat::RegReadValue(plat::kCurrentUser, key_, "absent", plat::RegView::kDefault, value));
  EXPECT_FALSE(plat::RegDeleteValue(plat::kCurrentUser, key_, "absent", plat::RegView::kDefault));
  EXPECT_TRUE(plat::RegDeleteValue(plat::kCurrentUser, key_, "present", plat::RegView::kDefault));
  EXPECT_FALSE(
      plat::RegReadValue(plat::kCurrentUser, key_, "present", plat::RegView::kDefault, value));
  EXPECT_TRUE(plat::RegKeyExists(plat::kCurrentUser, key_, plat::RegView::kDefault))
      << "deleting the last value keeps the key";
}

TEST_F(Registry, KeyTreeDeletionRemovesEverythingBelow) {
  const char* keys[] = {"\\a", "\\a\\b", "\\a\\b\\c", "\\a\\d", "\\keep"};
  for (const char* k : keys) {
    ASSERT_TRUE(plat::RegWriteValue(plat::kCurrentUser, key_ + k, "v", plat::RegView::kDefault,
                                    plat::kRegSz, Bytes("1", 2)));
  }
  std::vector<std::string> subkeys =
      plat::RegListSubkeys(plat::kCurrentUser, key_ + "\\a", plat::RegView::kDefault);
  std::sort(subkeys.begin(), subkeys.end());
  EXPECT_EQ(subkeys, (std::vector<std::string>{"b", "d"}));

  EXPECT_TRUE(plat::RegDeleteKeyTree(plat::kCurrentUser, key_ + "\\a", plat::RegView::kDefault));
  for (const char* gone : {"\\a", "\\a\\b", "\\a\\b\\c", "\\a\\d"}) {
    EXPECT_FALSE(plat::RegKeyExists(plat::kCurrentUser, key_ + gone, plat::RegView::kDefault))
        << gone;
  }
  EXPECT_TRUE(plat::RegKeyExists(plat::kCurrentUser, key_ + "\\keep", plat::RegView::kDefault));
}

// HKCU\Software is one key for both views on every Windows.
TEST_F(Registry, CurrentUserSoftwareIsSharedByBothViews) {
  ASSERT_TRUE(plat::RegWriteValue(plat::kCurrentUser, key_, "from32", plat::RegView::k32,
                                  plat::kRegSz, Bytes("32", 3)));
  plat::RegValue value;
  EXPECT_TRUE(plat::RegReadValue(plat::kCurrentUser, key_, "from32", plat::RegView::k64, value));
  EXPECT_TRUE(
      plat::RegReadValue(plat::kCurrentUser, key_, "from32", plat::RegView::kDefault, value));
  EXPECT_EQ(value.data, Bytes("32", 3));
}

// HKLM\SOFTWARE differs between the views on 64-bit Windows: the 32-bit view lives under
// WOW6432Node, and a key written through one view is absent from the other.
TEST_F(Registry, LocalMachineSoftwareSplitsOn64BitWindows) {
  ASSERT_TRUE(plat::RegWriteValue(plat::kLocalMachine, machineKey_, "v", plat::RegView::k32,
                                  plat::kRegSz, Bytes("thirty-two", 11)));
  ASSERT_TRUE(plat::RegWriteValue(plat::kLocalMachine, machineKey_, "v", plat::RegView::k64,
                                  plat::kRegSz, Bytes("sixty-four", 11)));
  plat::RegValue v32;
  plat::RegValue v64;
  ASSERT_TRUE(plat::RegReadValue(plat::kLocalMachine, machineKey_, "v", plat::RegView::k32, v32));
  ASSERT_TRUE(plat::RegReadValue(plat::kLocalMachine, machineKey_, "v", plat::RegView::k64, v64));
  if (!plat::IsWindows64()) {
    EXPECT_EQ(v32.data, v64.data) << "one registry on 32-bit Windows";
    return;
  }
  EXPECT_EQ(v32.data, Bytes("thirty-two", 11));
  EXPECT_EQ(v64.data, Bytes("sixty-four", 11));

  const std::string wowKey = "SOFTWARE\\WOW6432Node\\InstallerTests\\" + name_;
  plat::RegValue seen;
  ASSERT_TRUE(plat::RegReadValue(plat::kLocalMachine, wowKey, "v", plat::RegView::k64, seen));
  EXPECT_EQ(seen.data, v32.data);

  plat::RegValue own;
  ASSERT_TRUE(
      plat::RegReadValue(plat::kLocalMachine, machineKey_, "v", plat::RegView::kDefault, own));
  EXPECT_EQ(own.data, plat::IsProcess64() ? v64.data : v32.data);

  EXPECT_TRUE(plat::RegDeleteKeyTree(plat::kLocalMachine, machineKey_, plat::RegView::k32));
  EXPECT_FALSE(plat::RegKeyExists(plat::kLocalMachine, machineKey_, plat::RegView::k32));
  EXPECT_TRUE(plat::RegKeyExists(plat::kLocalMachine, machineKey_, plat::RegView::k64));
}

}  // namespace
