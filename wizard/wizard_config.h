// The configuration step of the wizard: data.ini (held in memory) turned into wizard state,
// the page table, default ticks and the tree's tick rules, the finish options and what Finish
// does, and the parts of the host query entry whose data the install reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wizard/session.h"

// Reads every value of the install configuration into `session` and fills the wizard's
// controls (install path, licence box, finish option boxes, subtitles). Called once by
// start-up, before LoadPageTable.
void LoadWizardConfiguration(InstallSession& session);

// The page table and the licence text; called once after LoadWizardConfiguration.
void LoadPageTable(InstallSession& session);

// The default ticks of the built-in tree from "基本组件勾选" (start-up, when the script
// document defines no tree).
void ApplyDefaultTicks(InstallSession& session);

// Shows the session's tree in `树型框1` and moves the control to the left, top, width and
// height of the script's "Treelists" geometry when the script gave one.
void ShowComponentTree(InstallSession& session);

// The tree's tick-changed event: value-1 items flip back, the plug-in tick callback, the
// subtree follows the parent.
void OnTickChanged(InstallSession& session, int index, int state);

// The finish options from "完成后选项_列表", or the three fixed options.
std::vector<FinishOption> ReadFinishOptions(const InstallSession& session);

// The shortcut records of "新建快捷方式参数" and the two run lists of "解压后运行的参数".
std::vector<ShortcutRecord> ReadShortcutRecords(const InstallSession& session);
void ReadRunLists(const InstallSession& session, std::vector<RunListEntry>& preInstall,
                  std::vector<RunListEntry>& postUnpack);

// Next on the finish page: the ticked options, every component's "finish" section, then the
// end of the process with kExitSuccess.
[[noreturn]] void RunFinishActions(InstallSession& session);

// The host query entry for plug-ins (0 = nothing).
intptr_t HostQuery(InstallSession& session, int request, intptr_t parameter, intptr_t value);
