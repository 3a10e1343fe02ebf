// Command lines of the Common Archiver API: splitting, switches and the names they select.
#include <gtest/gtest.h>

#include "archiver/command_line.h"

namespace {

using archiver::Command;
using archiver::Pattern;

TEST(ArchiverCommandLine, SplitsAtBlanksWithQuotesAnywhere) {
  struct Case {
    std::string line;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"x a.7z", {"x", "a.7z"}},
      {"  x   \"my file.7z\"  ", {"x", "my file.7z"}},
      {"-p\"\"", {"-p"}},
      {"-p\"pass word\"", {"-ppass word"}},
      {"\"C:\\dest dir\\\" *", {"C:\\dest dir\\", "*"}},  // no escapes: \" ends the quote
      {"-x!\"a b.txt\"", {"-x!a b.txt"}},
      {"\"\"", {""}},
      {"\"中文 目录\\\"", {"中文 目录\\"}},
  };
  for (const Case& c : cases) EXPECT_EQ(archiver::SplitArguments(c.line), c.args) << c.line;
}

// The lines the runtime builds (see its extraction driver): "x ", a blank, the quoted archive,
// " -hide -y ", the quoted destination with its backslash, the file part, -p"password" and
// the exclusions.
TEST(ArchiverCommandLine, ParsesTheRuntimeLines) {
  Command cmd;
  std::string error;
  ASSERT_TRUE(archiver::ParseCommand(
      "x  \"C:\\Temp\\data.7z\" -hide -y \"C:\\Program Files\\App\\\" * -p\"\"", &cmd, &error))
      << error;
  EXPECT_EQ(cmd.command, 'x');
  EXPECT_TRUE(cmd.hide);
  EXPECT_TRUE(cmd.yes);
  EXPECT_EQ(cmd.archive, "C:\\Temp\\data.7z");
  EXPECT_EQ(cmd.destination, "C:\\Program Files\\App\\");
  ASSERT_TRUE(cmd.password.has_value());
  EXPECT_EQ(*cmd.password, "");
  ASSERT_EQ(cmd.includes.size(), 1u);
  EXPECT_EQ(cmd.includes[0].text, "*");
  EXPECT_TRUE(cmd.excludes.empty());

  ASSERT_TRUE(archiver::ParseCommand(
      "x  \"D:\\p.7z\" -hide -y \"D:\\out\\\" \"a.txt\" \"sub\\b.dll\" -p\"密码\" * -x!\"a.txt\"  * "
      "-x!\"sub\\b.dll\" ",
      &cmd, &error))
      << error;
  EXPECT_EQ(*cmd.password, "密码");
  ASSERT_EQ(cmd.includes.size(), 4u);
  ASSERT_EQ(cmd.excludes.size(), 2u);
  EXPECT_EQ(cmd.excludes[1].text, "sub\\b.dll");
  EXPECT_FALSE(archiver::IsSelected(cmd, "a.txt"));
  EXPECT_FALSE(archiver::IsSelected(cmd, "sub\\b.dll"));
  EXPECT_TRUE(archiver::IsSelected(cmd, "sub\\c.dll"));
  EXPECT_TRUE(archiver::IsSelected(cmd, "z\\a.txt"));  // non-recursive: only the root a.txt

  // "-hide" in any case, "/" switches, Linux paths (quoted) that start with "/".
  ASSERT_TRUE(archiver::ParseCommand("X \"/tmp/a.7z\" /HIDE /y \"/tmp/out/\"", &cmd, &error));
  EXPECT_TRUE(cmd.hide);
  EXPECT_EQ(cmd.archive, "/tmp/a.7z");
  EXPECT_EQ(cmd.destination, "/tmp/out/");
  EXPECT_FALSE(cmd.password.has_value());
}

TEST(ArchiverCommandLine, RejectsWhatItCannotDo) {
  for (const char* line : {"", "a x.7z file", "x", "x a.7z -q", "x a.7z -x@list.txt", "-y -hide"}) {
    Command cmd;
    std::string error;
    EXPECT_FALSE(archiver::ParseCommand(line, &cmd, &error)) << line;
    EXPECT_FALSE(error.empty()) << line;
  }
}

TEST(ArchiverCommandLine, MatchesNamesLikeSevenZip) {
  struct Case {
    Pattern pattern;
    const char* path;
    bool matches;
  };
  const Case cases[] = {
      {{"*"}, "a.txt", true},
      {{"*"}, "dir\\deep\\x.bin", true},  // "*" selects the folder, and so its content
      {{"*.*"}, "README", false},         // only names with a dot
      {{"*.*"}, "a.txt", true},
      {{"*.txt"}, "A.TXT", true},
      {{"*.txt"}, "dir\\a.txt", false},
      {{"*.txt", true}, "dir\\a.txt", true},
      {{"dir"}, "dir\\sub\\f.txt", true},
      {{"dir\\sub"}, "dir\\sub\\f.txt", true},
      {{"dir/sub/f.txt"}, "dir\\sub\\f.txt", true},
      {{"dir\\s?b\\*"}, "dir\\sub\\f.txt", true},
      {{"sub"}, "dir\\sub\\f.txt", false},
      {{"sub", true}, "dir\\sub\\f.txt", true},
      {{"di"}, "dir\\f.txt", false},
      {{"a*b*c"}, "axxbyyc", true},
      {{"a*b*c"}, "axxbyy", false},
      {{"说明*.txt"}, "说明文件.txt", true},
      {{"?.txt"}, "中.txt", true},  // a GBK character is one character
  };
  for (const Case& c : cases)
    EXPECT_EQ(archiver::MatchesPattern(c.pattern, c.path), c.matches)
        << c.pattern.text << " vs " << c.path;
}

}  // namespace
