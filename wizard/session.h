// Everything an install run holds: the start-up and package records, the wizard's state read
// from the configuration, the component tree, the extraction lists, the shortcut and command
// lists, and the window it shows. One instance per process; routines take it explicitly so a
// test builds exactly the run it needs.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "script/component_tree.h"
#include "script/interpreter.h"
#include "startup/command_line.h"
#include "startup/exit_codes.h"
#include "startup/state.h"
#include "system/shortcuts.h"
#include "ui/form.h"
#include "wizard/host_variables.h"
#include "wizard/window_tables.h"

// The three path rules of section [ml].
struct PathRules {
  std::string ch;   // "真": no double-byte characters in the destination
  std::string zwj;  // "真,entry": the destination must already hold `entry`
  std::string fb;   // "s": lock when a previous install was found; "e": always lock
};

struct PageEntry {
  int index = 0;
  bool visible = false;
};

// One option box of the finish page, in creation order.
struct FinishOption {
  std::string caption;
  std::string command;
  bool visible = false;
  bool ticked = false;
  std::string control;  // the cloned check box ("" until the boxes are created)
};

// The skin pictures of the work folder (empty when the package has none).
struct SkinPictures {
  Bytes welcome;     // "界面图片.jpg": welcome and finish pages, left
  Bytes header;      // "界面小图片.jpg": the header bands and the spare picture
  Bytes installing;  // "界面安装时图像.jpg": the installing page, in place of the list
  Bytes large;       // "界面大图片.jpg": not shown; handed to the uninstall record
};

// The wizard's state read by the configuration step.
struct WizardState {
  std::array<PageEntry, kPageCount> pageTable{};
  std::array<int, kPageCount> visibleFlags{};  // by page index; Back and Next search it
  // Back, Next on the licence page, Next on ordinary pages, Next on the folder page (starts the
  // install), Cancel, Next on the finish page.
  std::array<std::string, 6> buttonCaptions = {"上一步(&P)", "我接受(&I)", "下一步(&N)",
                                               "安装(&I)",   "取消(&C)",   "完成(&F)"};
  std::string productName;      // "Mokta软件名称"
  std::string version;          // "软件版本"
  std::string company;          // "公司名称"
  std::string archiveFileName;  // "压缩包文件名"
  PathRules pathRules;
  std::string browseAppend;     // "浏览目录自动添加"
  bool autoAppend = false;      // "自动添加路径"
  std::string installPasswordDigest;  // "安装密码": 32 lower-case hex digits, "" for none
  std::string mainProgram;            // "包内的程序名"
  int makeUninstaller = 0;            // "是否生成卸载程序" (1 = yes; "真" reads as 1 too)
  std::string safe;                   // "safe": the archive password text
  std::string scriptDocument;         // choosegment.ini deciphered
  bool taskbarProgress = false;       // "任务栏进度"
  int detailListMode = 0;             // "安装过程_列表": 0 shown, 1 button, 2 hidden
  std::string uninstallMode;          // "卸载模式"
  std::string uninstallKeyView;       // "I_reg"
  bool autoAccept = false;            // "同意条款k"
  std::array<std::string, 3> defaultTicks;  // "基本组件勾选" split at "，"
  std::string licenceText;                  // keyed item "自述文本_开始"
  SkinPictures skin;
  // The free-space label's text before the space display filled it ("目录5" line 2, or the
  // design text); the browse button fills it again.
  std::string freeSpaceTemplate;
  // Install-step captions ("安装3"): extracting, shortcuts, commands, uninstall record. Each
  // holds "%Default%" for the item shown.
  std::vector<std::string> stepCaptions = {"正在解压 %Default%", "正在创建快捷方式 %Default%",
                                           "正在运行 %Default%", "正在生成卸载程序 %Default%"};
};

// The plug-in side of a run. Without plug-ins every broadcast has no answers
// (wizard/plugin_hooks.h connects the plug-in host).
struct PluginHooks {
  // Sends a host message text to every loaded plug-in; their answers, in load order.
  std::function<std::vector<int>(const std::string& text)> broadcast;
  // Callbacks registered through the host query (8888) and the spare label (1006).
  std::function<int(int index, int state)> tickCallback;
  std::function<void(int index, intptr_t labelWindow)> selectionCallback;
  std::function<void(int page)> pageChangeCallback;
  bool suppressPageNotify = false;  // while the spare-label channel inserts a page
  // The external start of spare-label code 1009: plug-in functions called with the bar's
  // percentage and with each status-line text (0 = none), and whether starting the install
  // keeps the wizard on its current page.
  intptr_t progressCallback = 0;
  intptr_t stepCallback = 0;
  bool keepPage = false;
  int headerPanels = 0;  // header panels made by code 1000, for their names
  HostVariables variables;
};

struct InstallSession {
  RunContext run;  // start-up, package, configuration, InstallPath (run.installPath)
  WizardState wizard;
  ComponentTree tree;
  ScriptLists lists;
  std::vector<ShortcutRecord> shortcuts;
  std::vector<RunListEntry> preInstallCommands;
  std::vector<RunListEntry> postUnpackCommands;
  std::vector<FinishOption> finishOptions;
  std::string programGroupOverride;    // host query 1008
  std::string shortcutOptionOverride;  // set by a skin plug-in
  std::string alternativePayloadPath;  // host query 1023
  std::string uninstallRegistryList;   // what the registry step hands to the uninstall record
  int progressValue = 0;               // the percentage last put on 进度条1
  Form* form = nullptr;                // the wizard window
  PluginHooks plugins;
  // The uninstall record writer (step 10 of the install sequence), set by the program
  // (uninstall/install_record.h). Returns false when the record could not be written; the
  // install then goes on, and its success ends as kExitUninstallRecordFailed.
  std::function<bool(InstallSession&)> writeUninstallRecord;
  bool uninstallRecordFailed = false;

  // How the run ended; empty while it goes on. Set once, by EndRun; the program that owns the
  // process returns it as its exit code.
  std::optional<ExitCode> outcome;
  // True while the install sequence runs: a confirmed Cancel then only asks it to stop, and
  // the sequence ends the run at its next pump point.
  bool installing = false;
  bool cancelRequested = false;
  // True while OnPageChanged writes the page back (page_flow.cpp): the change that causes is
  // not announced again.
  bool refreshingPage = false;

  // The install's test mode (OnlyArgumentIsTest): nothing is extracted.
  bool TestMode() const {
    return OnlyArgumentIsTest(run.startup);
  }
};
