// The install's shortcut step: the packager's shortcut list written into the folders it names,
// filtered by the three shortcut options, plus the uninstall shortcut, the taskbar pin and the
// removal of an empty default program group.
#pragma once

#include <functional>
#include <string>
#include <vector>

// One entry of data.ini's "新建快捷方式参数" list. CreateShortcuts rewrites `locations` (and
// `file` of the uninstall shortcut) in place; the uninstall record reads them afterwards.
struct ShortcutRecord {
  std::string name;
  std::string file;  // relative to the install folder; "%Uninst.exe%" = the uninstaller
  std::string arguments;
  std::string locations;
  bool removeOnUninstall = false;
  std::string icon;  // relative to the install folder; "" = none
  std::string description;
};

// An option counts as chosen only when exactly 1.
struct ShortcutOptions {
  int desktop = 0;
  int programGroup = 0;
  int quickLaunch = 0;
};

// The parts of a component-tree item that the option lookup reads, in tree order.
struct ShortcutTreeItem {
  std::string text;
  int itemValue = 0;
  int checked = 0;  // 1 ticked
};

inline constexpr char kUninstallerTarget[] = "%Uninst.exe%";
// The text of the default tree's first item; the option lookup counts from it.
inline constexpr char kBasicComponent[] = "基本组件";

// The override text "a$，b$，c": non-numeric pieces give 0, missing ones 0. The text comes
// from a plug-in, so the pieces are parsed with text::ToInt: a number beyond int saturates
// and can never wrap round to the 1 that chooses an option.
ShortcutOptions ParseShortcutOptionOverride(const std::string& text);
// The one lookup of the item that stands for shortcut option `mark` (1 desktop, 2 program
// group, 3 quick launch): the first item whose value is `mark`, else the item `mark` places
// after the first "基本组件" item; -1 when neither exists. The script's description handler
// uses it too (through its tree adapter), so both always agree on the option items.
int FindShortcutOptionItem(const std::vector<ShortcutTreeItem>& items, int mark);
// For k = 1..3, the tick of the item FindShortcutOptionItem gives; 0 when there is none.
ShortcutOptions ShortcutOptionsFromTree(const std::vector<ShortcutTreeItem>& items);

struct ShortcutInputs {
  std::string installFolder;  // %InstallPath%
  std::string softwareName;   // "Mokta软件名称"
  std::string mainProgram;    // "包内的程序名"
  bool makeUninstaller = false;       // "是否生成卸载程序" == 1
  std::string programGroupOverride;   // set by a skin plug-in; "" = none
  std::string optionOverride;         // set by a skin plug-in; "" = use `treeOptions`
  ShortcutOptions treeOptions;        // from ShortcutOptionsFromTree
  // The install status text for a shortcut (second entry of the status list) with its
  // "%Default%" placeholder, and where it goes (the status-line routine); both optional.
  std::string statusText;
  std::function<void(const std::string&)> showStatus;
  // Told before a shortcut folder is created and before a shortcut file is written (the
  // install's undo record); both optional. A link the hook refuses is not written.
  std::function<void(const std::string& folder)> beforeFolder;
  std::function<bool(const std::string& linkPath)> beforeLink;
};

// Creates the shortcuts of `records` (rewriting them as described above). Failed shortcuts are
// skipped silently; nothing is reported.
void CreateShortcuts(std::vector<ShortcutRecord>& records, const ShortcutInputs& inputs);

// "%userprofile%\AppData\Roaming\Microsoft\Internet Explorer\Quick Launch" when that folder
// exists, else the same under "Application Data" unchecked. No trailing "\".
std::string GetQuickLaunchFolder();
