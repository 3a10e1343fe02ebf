#include "common/text.h"

#include <gtest/gtest.h>

namespace {

using Pieces = std::vector<std::string>;

TEST(Text, Split) {
  struct Case {
    const char* s;
    const char* separator;
    Pieces expected;
  } cases[] = {
      {"", ",", {""}},
      {"a", ",", {"a"}},
      {"a,b,,c", ",", {"a", "b", "", "c"}},
      {",a,", ",", {"", "a", ""}},
      {"a\r\nb\r\n", "\r\n", {"a", "b", ""}},
      {"a+b", "", {"a+b"}},
      {"aaa", "aa", {"", "a"}},  // no overlapping matches
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.s);
    EXPECT_EQ(text::Split(c.s, c.separator), c.expected);
    EXPECT_EQ(text::Join(text::Split(c.s, c.separator), c.separator), c.s);
  }
}

TEST(Text, ReplaceAllNeverRescansInsertedText) {
  struct Case {
    const char* s;
    const char* from;
    const char* to;
    const char* expected;
  } cases[] = {
      {"%a%%a%", "%a%", "%a%%a%", "%a%%a%%a%%a%"},
      {"aaa", "a", "aa", "aaaaaa"},
      {"aaaa", "aa", "a", "aa"},
      {"abc", "", "x", "abc"},
      {"abc", "b", "", "ac"},
      {"%InstallPath%\\bin", "%InstallPath%", "C:\\P", "C:\\P\\bin"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.s);
    EXPECT_EQ(text::ReplaceAll(c.s, c.from, c.to), c.expected);
  }
}

TEST(Text, ToIntTakesLeadingDigitsOnly) {
  struct Case {
    const char* s;
    int32_t expected;
  } cases[] = {
      {"", 0},           {"abc", 0},       {"-", 0},           {"12abc", 12},
      {"  42", 42},      {"\t-7", -7},     {"+5", 5},          {"1.9", 1},
      {"0x1F", 0},       {"- 3", 0},       {"--3", 0},         {"\xD5\xE6", 0},
      {"2147483647", 2147483647},           {"2147483648", 2147483647},
      {"-2147483648", -2147483647 - 1},     {"-99999999999999", -2147483647 - 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.s);
    EXPECT_EQ(text::ToInt(c.s), c.expected);
  }
  EXPECT_EQ(text::ToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(text::ToInt64("99999999999999999999"), INT64_MAX);
  EXPECT_EQ(text::ToInt64("4294967296"), 4294967296LL);
}

TEST(Text, PadNumber3) {
  EXPECT_EQ(text::PadNumber3(1), "001");
  EXPECT_EQ(text::PadNumber3(10), "010");
  EXPECT_EQ(text::PadNumber3(999), "999");
  EXPECT_EQ(text::PadNumber3(1000), "1000");
}

TEST(Text, CaseFoldingLeavesGbkAlone) {
  // Bytes above 0x7F are never folded.
  EXPECT_EQ(text::ToLowerAscii("ABC\xC4\xE3Z"), "abc\xC4\xE3z");
  EXPECT_TRUE(text::EqualsIgnoreCaseAscii("Data.INI", "data.ini"));
  EXPECT_FALSE(text::EqualsIgnoreCaseAscii("data.ini", "data.in"));
  EXPECT_EQ(text::FindIgnoreCaseAscii("xxHelloxx", "HELLO"), 2u);
  EXPECT_EQ(text::HexLower(Bytes("\x00\x0f\xa0", 3)), "000fa0");
}

// 淺 and 擻 are 9C 5C and 94 5C in GBK: their trail byte is "\".
TEST(Text, PathsAreSplitByCharactersNotBytes) {
  using text::PathSeparators;
  struct Case {
    const char* path;
    PathSeparators separators;
    Pieces pieces;
    size_t last;
    const char* stripped;
  } cases[] = {
      {"", PathSeparators::kBackslash, {""}, text::npos, ""},
      {"C:\\a\\b", PathSeparators::kBackslash, {"C:", "a", "b"}, 4, "C:\\a\\b"},
      {"C:\\淺", PathSeparators::kBackslash, {"C:", "淺"}, 2, "C:\\淺"},
      {"C:\\淺\\擻", PathSeparators::kBackslash, {"C:", "淺", "擻"}, 5, "C:\\淺\\擻"},
      {"淺\\", PathSeparators::kBackslash, {"淺", ""}, 2, "淺"},
      {"C:\\淺擻\\\\", PathSeparators::kBackslash, {"C:", "淺擻", "", ""}, 8, "C:\\淺擻"},
      {"\\\\x", PathSeparators::kBackslash, {"", "", "x"}, 1, "\\\\x"},
      {"\\\\", PathSeparators::kBackslash, {"", "", ""}, 1, ""},
      {"a/淺", PathSeparators::kBackslash, {"a/淺"}, text::npos, "a/淺"},
      {"a/淺\\b/", PathSeparators::kBothSlashes, {"a", "淺", "b", ""}, 6, "a/淺\\b"},
      {"a\x81", PathSeparators::kBackslash, {"a\x81"}, text::npos, "a\x81"},  // a lone lead byte
      {"a\x81\\", PathSeparators::kBackslash, {"a\x81\\"}, text::npos, "a\x81\\"},  // one character
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(text::SplitPath(c.path, c.separators), c.pieces);
    EXPECT_EQ(text::FindLastSeparator(c.path, c.separators), c.last);
    const bool endsWith = c.last != text::npos && c.last + 1 == std::string(c.path).size();
    EXPECT_EQ(text::EndsWithSeparator(c.path, c.separators), endsWith);
    EXPECT_EQ(text::StripTrailingSeparators(c.path, 0, c.separators), c.stripped);
  }
  EXPECT_EQ(text::FindSeparator("淺\\a\\b"), 2u);
  EXPECT_EQ(text::FindSeparator("淺\\a\\b", 3), 4u);
  EXPECT_EQ(text::FindSeparator("淺擻"), text::npos);
  EXPECT_EQ(text::StripTrailingSeparators("C:\\\\", 3), "C:\\");
  EXPECT_EQ(text::StripTrailingSeparators("C:\\", 3), "C:\\");
  EXPECT_EQ(text::StripTrailingSeparators("C:\\淺\\", 3), "C:\\淺");
}

}  // namespace

namespace {

// The names the uninstaller may build a "delete with contents" path from.
TEST(Text, PlainFolderNames) {
  struct Case {
    std::string name;
    bool plain;
  } cases[] = {
      {"演示软件", true},
      {"My App 2", true},
      {"淺", true},           // GBK 9C 5C: the trail byte is no separator
      {"\x81\x7C", true},     // a trail byte 0x7C is no "|"
      {"", false},
      {".", false},
      {"..", false},
      {"a\\b", false},
      {"a/b", false},
      {"C:", false},
      {"a*", false},
      {"a?", false},
      {"a\"b", false},
      {"<a>", false},
      {"a|b", false},
      {"tab\t", false},
      {"App.", false},
      {"App ", false},
      {"...", false},
  };
  for (const Case& c : cases) EXPECT_EQ(text::IsPlainFolderName(c.name), c.plain) << c.name;
}

}  // namespace
