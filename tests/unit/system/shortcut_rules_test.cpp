// The shortcut option lookup and the link path rules, as tables.
#include <gtest/gtest.h>

#include <cstdint>

#include "system/folders.h"
#include "system/shortcut_file.h"
#include "system/shortcuts.h"

namespace {

TEST(ShortcutOptions, OverrideTextGivesUpToThreeValues) {
  const struct {
    const char* text;
    ShortcutOptions expected;
  } cases[] = {
      {"1$，0$，1", {1, 0, 1}}, {"1", {1, 0, 0}},       {"0$，1", {0, 1, 0}},
      {"x$，1$，y", {0, 1, 0}}, {"1$，1$，1$，1", {1, 1, 1}}, {"2$，1$，1", {2, 1, 1}},
      {"1,1,1", {1, 0, 0}},  // only the full-width form separates
      // A plug-in's text: numbers beyond int saturate and never wrap round to 1.
      {"4294967297$，-4294967295$，1", {INT32_MAX, INT32_MIN, 1}},
      {"99999999999999999999999$，2147483648$，-2147483648", {INT32_MAX, INT32_MAX, INT32_MIN}},
      {"1x$，\x01\xff$，", {1, 0, 0}},  // digits up to the first other byte; garbage is 0
      {" 1$，+1$，--1", {1, 1, 0}},
  };
  for (const auto& c : cases) {
    const ShortcutOptions got = ParseShortcutOptionOverride(c.text);
    EXPECT_EQ(got.desktop, c.expected.desktop) << c.text;
    EXPECT_EQ(got.programGroup, c.expected.programGroup) << c.text;
    EXPECT_EQ(got.quickLaunch, c.expected.quickLaunch) << c.text;
  }
}

TEST(ShortcutOptions, TreeLookupByItemValueThenAfterBaseComponent) {
  // Item values win wherever they sit; otherwise the items following "基本组件" count.
  const std::vector<ShortcutTreeItem> byValue = {
      {"程序", 0, 1}, {"快速启动", 3, 1}, {"桌面", 1, 1}, {"开始菜单", 2, 0}};
  const ShortcutOptions a = ShortcutOptionsFromTree(byValue);
  EXPECT_EQ(a.desktop, 1);
  EXPECT_EQ(a.programGroup, 0);
  EXPECT_EQ(a.quickLaunch, 1);

  const std::vector<ShortcutTreeItem> byPosition = {
      {"其他", 0, 1}, {"基本组件", 0, 1}, {"桌面", 0, 0}, {"程序组", 0, 1}, {"快速", 0, 1}};
  const ShortcutOptions b = ShortcutOptionsFromTree(byPosition);
  EXPECT_EQ(b.desktop, 0);
  EXPECT_EQ(b.programGroup, 1);
  EXPECT_EQ(b.quickLaunch, 1);

  // Mixed: the desktop by value, the rest by position; a missing item gives 0.
  const std::vector<ShortcutTreeItem> mixed = {
      {"基本组件", 0, 1}, {"甲", 0, 1}, {"乙", 0, 1}, {"桌面", 1, 0}};
  const ShortcutOptions c = ShortcutOptionsFromTree(mixed);
  EXPECT_EQ(c.desktop, 0);
  EXPECT_EQ(c.programGroup, 1);
  EXPECT_EQ(c.quickLaunch, 0);  // base + 3 is the value-1 item, unticked

  const ShortcutOptions none = ShortcutOptionsFromTree({{"甲", 0, 1}});
  EXPECT_EQ(none.desktop + none.programGroup + none.quickLaunch, 0);
}

TEST(ShortcutFile, LinkPathGetsOneExtension) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"C:\\D\\App", "C:\\D\\App.lnk"},
      {"C:\\D\\App.LNK", "C:\\D\\App.LNK"},
      {"C:\\D\\App.Lnk.old", "C:\\D\\App.Lnk.old"},
      {"C:\\D.lnk\\App", "C:\\D.lnk\\App"},
      {"C:\\D\\App.exe", "C:\\D\\App.exe.lnk"},
      {"C:\\D\\程序", "C:\\D\\程序.lnk"},
  };
  for (const auto& c : cases) EXPECT_EQ(ShortcutLinkPath(c.in), c.out) << c.in;
}

TEST(ShortcutFile, WorkingFolderIsEverythingBeforeTheFileName) {
  EXPECT_EQ(ShortcutWorkingFolder("C:\\App\\bin\\a.exe"), "C:\\App\\bin\\");
  EXPECT_EQ(ShortcutWorkingFolder("\\a.exe"), "\\");
  EXPECT_EQ(ShortcutWorkingFolder("a.exe"), std::nullopt);
  EXPECT_EQ(ShortcutWorkingFolder(""), std::nullopt);
}

TEST(ShortcutFile, BareTargetWritesNothing) {
  std::string link = "C:\\nowhere-shortcut";
  std::string target = "a.exe";
  EXPECT_FALSE(CreateShortcutFile(link, target, ""));
  EXPECT_EQ(link, "C:\\nowhere-shortcut.lnk");
}

// 淺 and 擻 end in the byte "\" in GBK (9C 5C, 94 5C): that byte is part of the name.
TEST(ShortcutFolders, NormalizeFolderCutsOneTrailingSeparatorOnly) {
  const struct {
    const char* in;
    const char* normalized;
    const char* inPlace;
  } cases[] = {
      {"c:\\Tools\\", "C:\\Tools", "C:\\Tools\\"},
      {"C:\\Tools\\\\", "C:\\Tools\\", "C:\\Tools\\\\"},
      {"d:", "D:", "D:"},
      {"", "", ""},
      {"c:\\淺", "C:\\淺", "C:\\淺"},
      {"C:\\程序\\擻", "C:\\程序\\擻", "C:\\程序\\擻"},
      {"C:\\淺\\", "C:\\淺", "C:\\淺\\"},
  };
  for (const auto& c : cases) {
    std::string path = c.in;
    EXPECT_EQ(NormalizeFolder(path), c.normalized) << c.in;
    EXPECT_EQ(path, c.inPlace) << c.in;
  }
}

}  // namespace
