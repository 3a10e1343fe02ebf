// The script document's block and section lookup, the "Treelists" tree and the description
// handler.
#include <gtest/gtest.h>

#include "script/component_tree.h"

namespace {

// One block as the packager writes it.
std::string Block(const std::string& name, const std::string& install, const std::string& unzip,
                  const std::string& finish, const std::string& describe) {
  return name + "\r\n｛\r\nInstall(){" + install + "\r\n}\r\nUnzip(){" + unzip +
         "\r\n}\r\nfinish(){" + finish + "\r\n}\r\ndescribe(){" + describe + "\r\n}\r\n｝\r\n\r\n";
}

TEST(GetScriptSection, FindsBlocksAndSections) {
  const std::string document =
      Block("ExtraTools", "[真]extra", "", "", "额外") + Block("Tools", "[真]a\r\n[假]b", "", "f",
                                                              "") +
      Block("Main", "", "u", "", "主程序");
  struct Case {
    const char* block;
    const char* section;
    bool found;
    const char* content;
  } cases[] = {
      {"Tools", "Install", true, "[真]extra"},  // the head of ExtraTools ends in Tools + brace
      {"Main", "Install", true, ""},            // empty section
      {"Main", "Unzip", true, "u"},
      {"Main", "describe", true, "主程序"},
      {"Main", "install", true, ""},            // section names are case-sensitive
      {"Main", "Missing", true, ""},
      {"main", "Unzip", false, ""},             // block names too
      {"Absent", "Install", false, ""},
      {"ExtraTools", "describe", true, "额外"},
  };
  for (const Case& c : cases) {
    std::string content = "stale";
    EXPECT_EQ(GetScriptSection(document, c.block, c.section, content), c.found)
        << c.block << "/" << c.section;
    EXPECT_EQ(content, c.content) << c.block << "/" << c.section;
  }
}

TEST(GetScriptSection, SectionsDoNotLeakIntoTheNextBlock) {
  // "finish" is missing from A; the one of B must not be found through A.
  const std::string document = "A\r\n｛\r\nInstall(){x\r\n}\r\n｝\r\n\r\n" +
                               Block("B", "", "", "from B", "");
  std::string content;
  EXPECT_TRUE(GetScriptSection(document, "A", "finish", content));
  EXPECT_EQ(content, "");
  // A document cut short after the closing brace still yields its sections.
  EXPECT_TRUE(GetScriptSection("C\r\n｛\r\nUnzip(){y\r\n}\r\n｝", "C", "Unzip", content));
  EXPECT_EQ(content, "y");
}

TEST(FillComponentTree, BuildsItemsFromLines) {
  ComponentTree tree = DefaultComponentTree();
  ASSERT_TRUE(FillComponentTree(
      "基本组件$,-1$,1$,真$,$,0\r\n"
      "桌面$,0$,0$,假$,$,1\r\n"
      "组$,0$,1$,真$,$,2\r\n"
      "孤儿$,7$,x$,$,\r\n"  // parent names no item, check state not a number, five fields
      "短$,0\r\n"           // outside the format: skipped
      "子$,2$,1$,真",
      tree));
  struct Expect {
    const char* text;
    int parent;
    int checked;
    int value;
    bool expanded;
  } expected[] = {
      {"基本组件", -1, 1, 0, true}, {"桌面", 0, 0, 1, false}, {"组", 0, 1, 2, true},
      {"孤儿", -1, 0, 0, false},    {"子", 2, 1, 0, true},
  };
  ASSERT_EQ(tree.items.size(), std::size(expected));
  for (size_t i = 0; i < tree.items.size(); ++i) {
    const ComponentItem& item = tree.items[i];
    EXPECT_EQ(item.text, expected[i].text) << i;
    EXPECT_EQ(item.parent, expected[i].parent) << i;
    EXPECT_EQ(item.checked, expected[i].checked) << i;
    EXPECT_EQ(item.value, expected[i].value) << i;
    EXPECT_EQ(item.expanded, expected[i].expanded) << i;
  }
  EXPECT_EQ(FindShortcutOptionItem(tree, 2), 2);

  EXPECT_FALSE(FillComponentTree("", tree));
  EXPECT_TRUE(tree.items.empty());
}

TEST(LoadComponentTree, GeometryOnlyFromExactlyFourNumbers) {
  struct Case {
    const char* geometry;
    bool moved;
  } cases[] = {{"10,20,300,200", true}, {"10,20,300", false}, {"1,2,3,4,5", false}, {"", false}};
  for (const Case& c : cases) {
    ComponentTree tree;
    EXPECT_TRUE(LoadComponentTree(Block("Treelists", "甲$,-1$,1$,真", c.geometry, "", ""), tree));
    ASSERT_EQ(tree.geometry.has_value(), c.moved) << c.geometry;
    if (c.moved) {
      EXPECT_EQ(*tree.geometry, (std::array<int, 4>{10, 20, 300, 200}));
    }
    EXPECT_EQ(tree.items.size(), 1u);
  }
  ComponentTree tree = DefaultComponentTree();
  EXPECT_FALSE(LoadComponentTree(Block("Other", "甲$,-1$,1$,真", "", "", ""), tree));
  EXPECT_TRUE(tree.items.empty());
}

// A tree text whose lines are all outside the format gives no item, and start-up must then
// build the default tree: that is only told by the result.
TEST(LoadComponentTree, NoItemFromShortLinesIsNoTree) {
  for (const char* lines : {"甲$,-1$,1", "甲\r\n乙$,0", "\r\n\r\n"}) {
    ComponentTree tree = DefaultComponentTree();
    EXPECT_FALSE(LoadComponentTree(Block("Treelists", lines, "", "", ""), tree)) << lines;
    EXPECT_TRUE(tree.items.empty()) << lines;
    EXPECT_FALSE(FillComponentTree(lines, tree)) << lines;
  }
}

// The tree the components page shows when the script has none: the basic component with the
// three shortcut options below it. No item carries a value (1 would lock the desktop option's
// tick), so the shortcut step finds the options by their places after "基本组件".
TEST(DefaultComponentTree, BasicComponentWithTheThreeOptionsBelowIt) {
  const ComponentTree tree = DefaultComponentTree();
  const struct {
    const char* text;
    int parent;
    bool expanded;
  } expected[] = {
      {"基本组件", -1, true},
      {"桌面快捷方式", 0, false},
      {"开始菜单组件", 0, false},
      {"快速启动栏", 0, false},
  };
  ASSERT_EQ(tree.items.size(), std::size(expected));
  for (size_t i = 0; i < tree.items.size(); ++i) {
    EXPECT_EQ(tree.items[i].text, expected[i].text) << i;
    EXPECT_EQ(tree.items[i].parent, expected[i].parent) << i;
    EXPECT_EQ(tree.items[i].expanded, expected[i].expanded) << i;
    EXPECT_EQ(tree.items[i].value, 0) << i;
    EXPECT_EQ(tree.items[i].checked, 0) << i;
  }
  EXPECT_FALSE(tree.geometry.has_value());

  // The ticks the shortcut step reads are those of items 1, 2, 3.
  ComponentTree ticked = tree;
  ticked.items[1].checked = 1;
  ticked.items[3].checked = 1;
  const ShortcutOptions options = ShortcutOptionsFromTree(ShortcutTreeItems(ticked));
  EXPECT_EQ(options.desktop, 1);
  EXPECT_EQ(options.programGroup, 0);
  EXPECT_EQ(options.quickLaunch, 1);
}

TEST(FindShortcutOptionItem, MarksThenBasicComponentThenNone) {
  ComponentTree tree = DefaultComponentTree();
  EXPECT_EQ(FindShortcutOptionItem(tree, 1), 1);
  EXPECT_EQ(FindShortcutOptionItem(tree, 3), 3);
  tree.items[2].value = 1;  // a mark wins over the position
  EXPECT_EQ(FindShortcutOptionItem(tree, 1), 2);
  tree.items.pop_back();
  EXPECT_EQ(FindShortcutOptionItem(tree, 3), -1);  // past the end
  tree.items[0].text = "其它";
  EXPECT_EQ(FindShortcutOptionItem(tree, 2), -1);
}

TEST(ShowComponentDescription, BlockTextBuiltInTextOrCallback) {
  const std::string document = Block("基本组件", "", "", "", "核心文件") +
                               Block("开始菜单组件", "", "", "", "");
  struct Case {
    int selected;
    const char* shown;  // nullptr: label untouched
    int callbackWith;   // -1: not called
  } cases[] = {
      {0, "核心文件", -1},
      {1, "安装完该软件后将应用主程序增加至桌面快捷方式", 1},
      {2, "", -1},  // an empty describe section clears the label
      {3, "在快速运行烂里增加启动主程序的快捷方式", 3},
      {4, nullptr, 4},  // no block, no mark
  };
  ComponentTree tree = DefaultComponentTree();
  tree.items.push_back({"附加", -1, 0, 0, false});
  for (const Case& c : cases) {
    tree.selected = c.selected;
    std::string label = "old";
    bool set = false;
    int callback = -1;
    ShowComponentDescription(document, tree,
                             {[&](const std::string& t) { label = t, set = true; },
                              [&](int sel) { callback = sel; }});
    EXPECT_EQ(set, c.shown != nullptr) << c.selected;
    if (c.shown) {
      EXPECT_EQ(label, c.shown) << c.selected;
    }
    EXPECT_EQ(callback, c.callbackWith) << c.selected;
  }
}

}  // namespace
