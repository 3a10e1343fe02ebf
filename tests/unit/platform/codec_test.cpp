// Code page 936 conversions. Narrow literals are GBK (the compiler's execution charset), so
// each case also checks the platform's table against the compiler's.
#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

std::string AsChars(std::u8string_view s) { return std::string(s.begin(), s.end()); }

TEST(Codec, ChineseTextRoundTrips) {
  struct Case {
    std::string gbk;
    std::u16string utf16;
    std::u8string utf8;
  } cases[] = {
      {"", u"", u8""},
      {"plain ASCII 123", u"plain ASCII 123", u8"plain ASCII 123"},
      {"中文安装程序", u"中文安装程序", u8"中文安装程序"},
      {"C:\\Program Files\\软件\\卸载.exe", u"C:\\Program Files\\软件\\卸载.exe",
       u8"C:\\Program Files\\软件\\卸载.exe"},
      {"真假", u"真假", u8"真假"},
      {"乗誠", u"乗誠", u8"乗誠"},  // trail byte 0x5C
      {"全角　空格，标点。", u"全角　空格，标点。", u8"全角　空格，标点。"},
      {"€", u"€", u8"€"},  // the one single-byte extension of code page 936 (0x80)
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(AsChars(c.utf8));
    EXPECT_EQ(plat::GbkToUtf16(c.gbk), c.utf16);
    EXPECT_EQ(plat::GbkToUtf8(c.gbk), AsChars(c.utf8));
    bool ok = false;
    EXPECT_EQ(plat::Utf16ToGbk(c.utf16, &ok), c.gbk);
    EXPECT_TRUE(ok);
    ok = false;
    EXPECT_EQ(plat::Utf8ToGbk(AsChars(c.utf8), &ok), c.gbk);
    EXPECT_TRUE(ok);
  }
  EXPECT_EQ(std::string("€"), "\x80");
}

TEST(Codec, CharactersWithoutGbkFormBecomeQuestionMarks) {
  struct Case {
    std::u16string utf16;
    std::string expected;
  } cases[] = {
      {u"한국어", "???"},        // Hangul syllables are not in GBK
      {u"a\u0E01b", "a?b"},     // Thai
  };
  for (const Case& c : cases) {
    bool ok = true;
    EXPECT_EQ(plat::Utf16ToGbk(c.utf16, &ok), c.expected);
    EXPECT_FALSE(ok);
    std::string utf8 = plat::GbkToUtf8(plat::Utf16ToGbk(c.utf16));
    EXPECT_EQ(utf8, c.expected) << "without `ok` the conversion still answers";
  }
  bool ok = true;
  const std::string mixed = AsChars(u8"安装 한");  // outside the macro: its text must be GBK
  EXPECT_EQ(plat::Utf8ToGbk(mixed, &ok), "安装 ?");
  EXPECT_FALSE(ok);

  // Outside the BMP: how many "?" a surrogate pair gives differs between systems.
  ok = true;
  std::string emoji = plat::Utf16ToGbk(u"x\U0001F600y", &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(emoji.front(), 'x');
  EXPECT_EQ(emoji.back(), 'y');
  EXPECT_EQ(emoji.find_first_not_of("x?y"), std::string::npos) << emoji;
}

TEST(Codec, InvalidGbkBytesBecomeReplacementCharacters) {
  // A lead byte at the very end has no trail byte.
  std::u16string decoded = plat::GbkToUtf16("ab\x81");
  ASSERT_GE(decoded.size(), 3u);
  EXPECT_EQ(decoded.substr(0, 2), u"ab");
  EXPECT_EQ(decoded.back(), u'\uFFFD');
}

}  // namespace
