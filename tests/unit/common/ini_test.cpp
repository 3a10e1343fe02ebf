#include "common/ini.h"

#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;

struct GetCase {
  const char* name;
  Bytes content;
  const char* section;
  const char* key;
  Bytes expected;
};

TEST(Ini, ProfileStringSemantics) {
  const Bytes gbk_bracket_section = "[\x81]\x81]]\r\nk=v\r\n";  // 0x81 0x5D: "]" as a trail byte
  const GetCase cases[] = {
      {"plain", "[s]\r\nk=v\r\n", "s", "k", "v"},
      {"LF only", "[s]\nk=v\n", "s", "k", "v"},
      {"CR only", "[s]\rk=v\r", "s", "k", "v"},
      {"no final line end", "[s]\r\nk=v", "s", "k", "v"},
      {"section case-insensitive", "[Main]\r\nk=v\r\n", "MAIN", "k", "v"},
      {"key case-insensitive", "[s]\r\nKey=v\r\n", "s", "kEY", "v"},
      {"blanks around names", "  [ s ]  \r\n\t k \t= v\r\n", " s", "k ", "v"},
      {"value trimmed", "[s]\r\nk=  a b \t\r\n", "s", "k", "a b"},
      {"double quotes removed", "[s]\r\nk=\" a \"\r\n", "s", "k", " a "},
      {"single quotes removed", "[s]\r\nk='a'\r\n", "s", "k", "a"},
      {"only one pair removed", "[s]\r\nk=\"\"a\"\"\r\n", "s", "k", "\"a\""},
      {"unmatched quotes kept", "[s]\r\nk=\"a'\r\n", "s", "k", "\"a'"},
      {"lone quote kept", "[s]\r\nk=\"\r\n", "s", "k", "\""},
      {"empty quotes", "[s]\r\nk=\"\"\r\n", "s", "k", ""},
      {"first key wins", "[s]\r\nk=1\r\nk=2\r\n", "s", "k", "1"},
      {"first section wins", "[s]\r\na=1\r\n[s]\r\nk=2\r\n", "s", "k", "(missing)"},
      {"value keeps later equals", "[s]\r\nk=a=b\r\n", "s", "k", "a=b"},
      {"empty value", "[s]\r\nk=\r\n", "s", "k", ""},
      {"key without equals", "[s]\r\nflag\r\n", "s", "flag", ""},
      {"comment line", "[s]\r\n;k=1\r\nk=2\r\n", "s", "k", "2"},
      {"indented comment", "[s]\r\n  ;k=1\r\n", "s", ";k", "(missing)"},
      {"semicolon inside value kept", "[s]\r\nk=a ;b\r\n", "s", "k", "a ;b"},
      {"key in another section", "[a]\r\nk=1\r\n[b]\r\n", "b", "k", "(missing)"},
      {"missing section", "[s]\r\nk=v\r\n", "t", "k", "(missing)"},
      {"key before any section", "k=v\r\n[s]\r\n", "s", "k", "(missing)"},
      {"empty key name dropped", "[s]\r\n=v\r\n", "s", "", "(missing)"},
      {"text after bracket ignored", "[s] trailing\r\nk=v\r\n", "s", "k", "v"},
      {"bracket without close is a key", "[s]\r\n[t\r\nk=v\r\n", "s", "k", "v"},
      {"GBK names", "[Mokta软件安装配置]\r\n软件版本=1.0\r\n", "mokta软件安装配置", "软件版本", "1.0"},
      {"GBK trail byte bracket", gbk_bracket_section, "\x81]\x81]", "k", "v"},
      {"value ends at NUL", Bytes("[s]\r\nk=ab\0cd\r\n", 14), "s", "k", "ab"},
      {"flag text kept exactly", "[s]\r\nk=真 \r\n", "s", "k", "真"},
      {"ctrl-z trimmed", "[s]\r\nk=v\x1a", "s", "k", "v"},
  };
  for (const GetCase& c : cases) {
    SCOPED_TRACE(c.name);
    ini::Document doc = ini::Document::Parse(c.content);
    EXPECT_EQ(doc.Get(c.section, c.key, "(missing)"), c.expected);
  }
}

TEST(Ini, ValuesAreCutToTheRuntimeBuffer) {
  const std::string longest(ini::kMaxValue, 'v');
  ini::Document doc = ini::Document::Parse("[s]\r\nexact=" + longest + "\r\nlong=" + longest +
                                           "xyz\r\nquoted=\"" + longest + "x\"\r\n");
  EXPECT_EQ(doc.Get("s", "exact"), longest);
  EXPECT_EQ(doc.Get("s", "long"), longest);
  EXPECT_EQ(doc.Get("s", "quoted"), longest);  // quotes go first, then the cut
  EXPECT_EQ(doc.Get("s", "missing", longest + "!"), longest);
}

TEST(Ini, FallbackLosesTrailingBlanksOnly) {
  ini::Document doc = ini::Document::Parse("[s]\r\n");
  EXPECT_EQ(doc.Get("s", "k", " d  "), " d");
  EXPECT_EQ(doc.Get("s", "k", "\"d\""), "\"d\"");
  EXPECT_EQ(doc.Get("s", "k"), "");
}

TEST(Ini, ListsSectionsAndKeysInFileOrder) {
  ini::Document doc = ini::Document::Parse(
      "lost=1\r\n[变量B]\r\n数据=b\r\n[a]\r\nx=1\r\n;c\r\nbare\r\nX=2\r\n[]\r\n[a]\r\ny=3\r\n");
  EXPECT_EQ(doc.SectionNames(), (Names{"变量B", "a", "a"}));
  EXPECT_EQ(doc.KeyNames("A"), (Names{"x", "bare", "X"}));
  EXPECT_EQ(doc.KeyNames("none"), Names{});
  EXPECT_TRUE(doc.HasSection(" A "));
  EXPECT_FALSE(doc.HasSection("lost"));
  EXPECT_EQ(ini::Document::Parse("").SectionNames(), Names{});
  EXPECT_EQ(ini::Document::Parse("no sections\r\nk=v\r\n").SectionNames(), Names{});
}

TEST(Ini, WritesBackInOrderWithChangesApplied) {
  ini::Document doc =
      ini::Document::Parse("; head\r\n[main]\r\nName=old\r\nbare\r\n\r\n[other]\r\nk=v\r\n");
  doc.Set("MAIN", "name", "new");   // replaces in place, keeps the file's spelling of the key
  doc.Set("main", "added", "1");    // appended to its section
  doc.Set("third", "z", "\"q\"");   // a new section at the end
  EXPECT_EQ(doc.Serialize(),
            "; head\r\n[main]\r\nName=new\r\nbare\r\nadded=1\r\n\r\n[other]\r\nk=v\r\n"
            "\r\n[third]\r\nz=\"q\"\r\n");
  ini::Document again = ini::Document::Parse(doc.Serialize());
  EXPECT_EQ(again.Get("main", "name"), "new");
  EXPECT_EQ(again.Get("third", "z"), "q");

  ini::Document fresh;
  fresh.Set("s", "k", "v");
  EXPECT_EQ(fresh.Serialize(), "[s]\r\nk=v\r\n");
}

TEST(Ini, SurvivesBinaryGarbageAndHugeLines) {
  Bytes garbage;
  uint32_t x = 7;
  for (int i = 0; i < 200000; ++i) {
    x = x * 1103515245u + 12345u;
    garbage.push_back(char(x >> 23));
  }
  ini::Document doc = ini::Document::Parse(garbage);
  (void)doc.Get("s", "k");
  (void)doc.SectionNames();
  (void)ini::Document::Parse(doc.Serialize());

  const Bytes huge = "[s]\r\nk=" + std::string(5000000, 'h') + "\r\nnext=1";
  doc = ini::Document::Parse(huge);
  EXPECT_EQ(doc.Get("s", "k").size(), ini::kMaxValue);
  EXPECT_EQ(doc.Get("s", "next"), "1");
}

}  // namespace
