// Entry names become relative paths that cannot leave the destination folder.
#include <gtest/gtest.h>

#include "archive/archive.h"
#include "platform/platform.h"

namespace {

struct PathCase {
  std::u16string stored;
  std::string expected;  // GBK, "\" separators
};

TEST(SanitizePath, NeutralisesEveryEscapeAndForbiddenName) {
  const PathCase cases[] = {
      {u"a/b/c.txt", "a\\b\\c.txt"},
      {u"a\\b\\c.txt", "a\\b\\c.txt"},
      {u"../../evil.txt", "evil.txt"},
      {u"..\\..\\evil.txt", "evil.txt"},
      {u"a/../../b.txt", "a\\b.txt"},
      {u"/etc/passwd", "etc\\passwd"},
      {u"C:\\Windows\\x.dll", "C_\\Windows\\x.dll"},
      {u"C:x.txt", "C_x.txt"},
      {u"\\\\server\\share\\x", "server\\share\\x"},
      {u"\\\\?\\C:\\x", "_\\C_\\x"},
      {u"./a/./b", "a\\b"},
      {u"a:b*c?d<e>f|g\"h", "a_b_c_d_e_f_g_h"},
      {u"tab\there", "tab_here"},
      {u"dots...", "dots.._"},
      {u"blank ", "blank_"},
      {u"...", ".._"},
      {u"CON", "_CON"},
      {u"dir/nul.txt", "dir\\_nul.txt"},
      {u"com1", "_com1"},
      {u"LPT9.log", "_LPT9.log"},
      {u"COM0", "COM0"},
      {u"CONSOLE", "CONSOLE"},
      {u"", ""},
      {u"../..", ""},
      {u"中文目录/说明.txt", "中文目录\\说明.txt"},
      {u"smile\u263Aface", "smile_face"},       // not in GBK
      {u"emoji\U0001F600.txt", "emoji_.txt"},  // a surrogate pair is one character
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(archive::SanitizePath(c.stored), c.expected)
        << plat::GbkToUtf8(plat::Utf16ToGbk(c.stored));
  }
}

}  // namespace
