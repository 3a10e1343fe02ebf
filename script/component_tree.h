// The script document's blocks and sections, and the component tree that its "Treelists" block
// describes. The tree is a plain model here; the wizard's tree control shows it later.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "system/shortcuts.h"

struct ComponentItem {
  std::string text;
  int parent = -1;  // index of an earlier item, -1 for a top-level item
  int checked = 0;  // 0 or 1
  int value = 0;    // 1 desktop, 2 program group, 3 quick launch, anything else no mark
  bool expanded = false;
};

struct ComponentTree {
  std::vector<ComponentItem> items;
  int selected = -1;
  // Left, top, width, height of the tree control when the script moved it.
  std::optional<std::array<int, 4>> geometry;
};

// The four items the window description gives the tree before any script replaces it:
// "基本组件" (expanded) with the three shortcut options "桌面快捷方式", "开始菜单组件",
// "快速启动栏" as its children, all unticked and with item value 0. No value marks them: 1
// would make the desktop option's tick unchangeable; the option lookup finds the three through
// their places after "基本组件".
ComponentTree DefaultComponentTree();

// Section content of `sectionName` in block `blockName`. Returns true when the block exists,
// even when the section does not (content then empty).
bool GetScriptSection(const std::string& document, const std::string& blockName,
                      const std::string& sectionName, std::string& content);

// Rebuilds `tree` from the "Treelists" block: geometry from its "Unzip" section (exactly four
// numbers, otherwise unchanged), items from its "Install" section. False when there are no
// items (a missing block included, and a block whose lines are all skipped).
bool LoadComponentTree(const std::string& document, ComponentTree& tree);

// Replaces the items by the lines of `treeText` ("$,"-separated fields). Lines with fewer than
// four fields are skipped: they are outside the format and would shift nothing reliable.
// False when no item was added (no line, or only skipped ones).
bool FillComponentTree(const std::string& treeText, ComponentTree& tree);

// What the shortcut step reads of the tree (text, item value, tick), in tree order.
std::vector<ShortcutTreeItem> ShortcutTreeItems(const ComponentTree& tree);

// Index of the item standing for shortcut option `mark` (1, 2, 3): the shortcut step's lookup
// (FindShortcutOptionItem of system/shortcuts.h) applied to this tree.
int FindShortcutOptionItem(const ComponentTree& tree, int mark);

// Where a description goes. `setText` is the description label; `pluginCallback` is the
// description callback a plug-in registered (may be empty), given the selected index.
struct DescriptionTarget {
  std::function<void(const std::string& text)> setText;
  std::function<void(int selected)> pluginCallback;
};

// The selection-changed handler: the selected item's "describe" section when its block exists,
// otherwise a built-in text for the three option items, then the plug-in callback.
void ShowComponentDescription(const std::string& document, const ComponentTree& tree,
                              const DescriptionTarget& target);
