#include "script/component_tree.h"

#include "common/text.h"
#include "system/shortcuts.h"

namespace {

constexpr char kBlockOpen[] = "\r\n｛";
constexpr char kBlockClose[] = "｝";
constexpr char kSectionEnd[] = "\r\n}";
constexpr char kTreeBlock[] = "Treelists";

constexpr const char* kBuiltInDescriptions[3] = {
    "安装完该软件后将应用主程序增加至桌面快捷方式",
    "在开始的菜单文件夹里增加快捷方式的组件",
    "在快速运行烂里增加启动主程序的快捷方式",
};

}  // namespace

ComponentTree DefaultComponentTree() {
  ComponentTree tree;
  tree.items.push_back({kBasicComponent, -1, 0, 0, true});
  for (const char* option : {"桌面快捷方式", "开始菜单组件", "快速启动栏"}) {
    tree.items.push_back({option, 0, 0, 0, false});
  }
  return tree;
}

bool GetScriptSection(const std::string& document, const std::string& blockName,
                      const std::string& sectionName, std::string& content) {
  content.clear();
  size_t head = text::Find(document, blockName + kBlockOpen);
  if (head == text::npos) return false;
  size_t close = text::Find(document, kBlockClose, head);
  // The block runs through the closing brace and the two line ends after it; without a closing
  // brace the rest of the document is the block.
  std::string block = close == text::npos ? document.substr(head)
                                          : document.substr(head, close - head + 6);
  std::string opener = sectionName + "(){";
  size_t start = text::Find(block, opener);
  if (start == text::npos) return true;
  start += opener.size();
  size_t end = text::Find(block, kSectionEnd, start);
  if (end == text::npos) return true;
  content = block.substr(start, end - start);
  return true;
}

bool FillComponentTree(const std::string& treeText, ComponentTree& tree) {
  tree.items.clear();
  tree.selected = -1;
  if (treeText.empty()) return false;
  std::vector<std::vector<std::string>> lines;
  for (const std::string& line : text::Split(treeText, "\r\n")) {
    std::vector<std::string> fields = text::Split(line, "$,");
    if (fields.size() >= 4) lines.push_back(std::move(fields));
  }
  for (const auto& fields : lines) {
    ComponentItem item;
    item.text = fields[0];
    int parent = text::ToInt(fields[1]);
    item.parent = parent >= 0 && size_t(parent) < tree.items.size() ? parent : -1;
    item.checked = text::ToInt(fields[2]);
    item.value = fields.size() >= 6 ? text::ToInt(fields[5]) : 0;
    tree.items.push_back(item);
  }
  for (size_t k = 0; k < lines.size(); ++k) {
    if (text::IsTrueText(lines[k][3])) tree.items[k].expanded = true;
  }
  // Lines that were all skipped leave no tree; start-up must then build the default one.
  return !tree.items.empty();
}

bool LoadComponentTree(const std::string& document, ComponentTree& tree) {
  std::string geometry;
  GetScriptSection(document, kTreeBlock, "Unzip", geometry);
  std::vector<std::string> parts = text::Split(geometry, ",");
  if (parts.size() == 4) {
    tree.geometry = std::array<int, 4>{text::ToInt(parts[0]), text::ToInt(parts[1]),
                                       text::ToInt(parts[2]), text::ToInt(parts[3])};
  }
  std::string items;
  GetScriptSection(document, kTreeBlock, "Install", items);
  return FillComponentTree(items, tree);
}

std::vector<ShortcutTreeItem> ShortcutTreeItems(const ComponentTree& tree) {
  std::vector<ShortcutTreeItem> items;
  items.reserve(tree.items.size());
  for (const ComponentItem& item : tree.items) items.push_back({item.text, item.value, item.checked});
  return items;
}

int FindShortcutOptionItem(const ComponentTree& tree, int mark) {
  return FindShortcutOptionItem(ShortcutTreeItems(tree), mark);
}

void ShowComponentDescription(const std::string& document, const ComponentTree& tree,
                              const DescriptionTarget& target) {
  int sel = tree.selected;
  if (sel < 0 || size_t(sel) >= tree.items.size()) return;
  std::string description;
  if (GetScriptSection(document, tree.items[sel].text, "describe", description)) {
    if (target.setText) target.setText(description);
    return;
  }
  for (int mark = 1; mark <= 3; ++mark) {
    if (sel == FindShortcutOptionItem(tree, mark) && target.setText) {
      target.setText(kBuiltInDescriptions[mark - 1]);
    }
  }
  if (target.pluginCallback) target.pluginCallback(sel);
}
