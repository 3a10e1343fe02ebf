// The Win32 registry: views seen from this process, and the GBK/UTF-16 boundary of text values,
// checked against what the raw W API sees. Keys live under a test key of their own.
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"

namespace {

using plat::RegView;

const std::string kTestKey = "Software\\PlatformWinTest";

class WinRegistry : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  static void Clean() {
    for (RegView view : {RegView::k32, RegView::k64}) {
      (void)plat::RegDeleteKeyTree(plat::kLocalMachine, kTestKey, view);
      (void)plat::RegDeleteKeyTree(plat::kCurrentUser, kTestKey, view);
    }
  }
  static std::string ReadText(int root, const std::string& key, RegView view) {
    plat::RegValue value;
    if (!plat::RegReadValue(root, key, "v", view, value)) return "<missing>";
    return value.data;
  }
};

TEST_F(WinRegistry, ThirtyTwoAndSixtyFourBitViewsOfSoftwareAreSeparate) {
  if (!plat::IsWindows64()) GTEST_SKIP() << "only meaningful on 64-bit Windows";
  const std::string key = kTestKey + "\\Views";
  ASSERT_TRUE(plat::RegWriteValue(plat::kLocalMachine, key, "v", RegView::k32, plat::kRegSz,
                                  std::string("thirty-two", 11)));
  EXPECT_FALSE(plat::RegKeyExists(plat::kLocalMachine, key, RegView::k64));
  ASSERT_TRUE(plat::RegWriteValue(plat::kLocalMachine, key, "v", RegView::k64, plat::kRegSz,
                                  std::string("sixty-four", 11)));

  EXPECT_EQ(ReadText(plat::kLocalMachine, key, RegView::k32), std::string("thirty-two", 11));
  EXPECT_EQ(ReadText(plat::kLocalMachine, key, RegView::k64), std::string("sixty-four", 11));
  // A 64-bit process sees the 64-bit view without flags.
  EXPECT_EQ(ReadText(plat::kLocalMachine, key, RegView::kDefault),
            ReadText(plat::kLocalMachine, key,
                     plat::IsProcess64() ? RegView::k64 : RegView::k32));

  // Deleting a tree in one view leaves the other view's key alone.
  ASSERT_TRUE(plat::RegWriteValue(plat::kLocalMachine, key + "\\a\\b", "x", RegView::k32,
                                  plat::kRegDword, std::string(4, '\1')));
  ASSERT_TRUE(plat::RegDeleteKeyTree(plat::kLocalMachine, key, RegView::k32));
  EXPECT_FALSE(plat::RegKeyExists(plat::kLocalMachine, key, RegView::k32));
  EXPECT_TRUE(plat::RegKeyExists(plat::kLocalMachine, key, RegView::k64));
  EXPECT_EQ(ReadText(plat::kLocalMachine, key, RegView::k64), std::string("sixty-four", 11));
}

TEST_F(WinRegistry, GbkTextIsStoredAsUtf16AndReadBackWithOneTerminator) {
  const std::string key = kTestKey + "\\中文键";
  const std::string text = "安装路径 C:\\程序";  // GBK bytes in this binary
  ASSERT_TRUE(plat::RegWriteValue(plat::kCurrentUser, key + "\\", "名称", RegView::kDefault,
                                  plat::kRegSz, text + std::string(1, '\0')));

  // What other programs see: the UTF-16 text with its terminator, under a UTF-16 key name.
  HKEY raw = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\PlatformWinTest\\中文键", 0,
                          KEY_QUERY_VALUE, &raw),
            ERROR_SUCCESS);
  wchar_t stored[64] = {};
  DWORD size = sizeof(stored);
  DWORD type = 0;
  LONG r = RegQueryValueExW(raw, L"名称", nullptr, &type, reinterpret_cast<BYTE*>(stored), &size);
  RegCloseKey(raw);
  ASSERT_EQ(r, ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  const std::wstring expected = L"安装路径 C:\\程序";
  EXPECT_EQ(size, (expected.size() + 1) * sizeof(wchar_t));
  EXPECT_EQ(std::wstring(stored), expected);

  plat::RegValue value;
  ASSERT_TRUE(plat::RegReadValue(plat::kCurrentUser, key, "名称", RegView::kDefault, value));
  EXPECT_EQ(value.type, plat::kRegSz);
  EXPECT_EQ(value.data, text + std::string(1, '\0'));
  EXPECT_EQ(plat::RegListValueNames(plat::kCurrentUser, key, RegView::kDefault),
            std::vector<std::string>{"名称"});
  EXPECT_EQ(plat::RegListSubkeys(plat::kCurrentUser, kTestKey, RegView::kDefault),
            std::vector<std::string>{"中文键"});
}

TEST_F(WinRegistry, ValuesRoundTripByType) {
  struct Case {
    const char* name;
    uint32_t type;
    std::string written;
    std::string read;
  };
  const std::string z(1, '\0');
  const Case cases[] = {
      {"sz with terminator", plat::kRegSz, "abc" + z, "abc" + z},
      {"expand sz", plat::kRegExpandSz, "%TEMP%\\文件" + z, "%TEMP%\\文件" + z},
      {"empty sz", plat::kRegSz, z, z},
      {"binary keeps zeros and high bytes", plat::kRegBinary, std::string("\xAB\xCD\0", 3),
       std::string("\xAB\xCD\0", 3)},
      {"dword", plat::kRegDword, std::string("\0\1\0\0", 4), std::string("\0\1\0\0", 4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(plat::RegWriteValue(plat::kCurrentUser, kTestKey, c.name, RegView::kDefault,
                                    c.type, c.written));
    plat::RegValue value;
    ASSERT_TRUE(plat::RegReadValue(plat::kCurrentUser, kTestKey, c.name, RegView::kDefault, value));
    EXPECT_EQ(value.type, c.type);
    EXPECT_EQ(value.data, c.read);
  }
}

TEST_F(WinRegistry, MissingKeysAndValuesFailWithTheirOsCode) {
  plat::RegValue value;
  EXPECT_FALSE(plat::RegReadValue(plat::kCurrentUser, kTestKey + "\\nope", "v", RegView::kDefault,
                                  value));
  EXPECT_EQ(plat::LastError(), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
  ASSERT_TRUE(plat::RegWriteValue(plat::kCurrentUser, kTestKey, "", RegView::kDefault,
                                  plat::kRegSz, std::string("default", 8)));
  EXPECT_FALSE(plat::RegReadValue(plat::kCurrentUser, kTestKey, "v", RegView::kDefault, value));
  EXPECT_EQ(plat::LastError(), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(plat::RegDeleteValue(plat::kCurrentUser, kTestKey, "v", RegView::kDefault));
  EXPECT_FALSE(plat::RegWriteValue(99, kTestKey, "v", RegView::kDefault, plat::kRegSz, "x"));
  // The whole root is never deleted through an empty subkey.
  EXPECT_FALSE(plat::RegDeleteKeyTree(plat::kCurrentUser, "", RegView::kDefault));
  EXPECT_TRUE(plat::RegKeyExists(plat::kCurrentUser, "Software", RegView::kDefault));
}

}  // namespace
