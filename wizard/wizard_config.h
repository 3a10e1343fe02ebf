// The configuration step of the wizard: data.ini (held in memory) turned into wizard state,
// the page table, and the shortcut and command lists the install reads later. The finish
// options live in finish_options.h, the tree's tick rules in tree_ticks.h, the host query in
// host_query.h.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "common/ini.h"
#include "wizard/session.h"

// Reads every value of the install configuration into `session` and fills the wizard's
// controls (install path, licence box, finish option boxes, subtitles). Called once by
// start-up, before LoadPageTable.
void LoadWizardConfiguration(InstallSession& session);

// The page table and the licence text; called once after LoadWizardConfiguration.
void LoadPageTable(InstallSession& session);

// The shortcut records of "新建快捷方式参数" and the two run lists of "解压后运行的参数".
std::vector<ShortcutRecord> ReadShortcutRecords(const InstallSession& session);
void ReadRunLists(const InstallSession& session, std::vector<RunListEntry>& preInstall,
                  std::vector<RunListEntry>& postUnpack);

// data.ini of the run, parsed from memory.
ini::Document DataIni(const InstallSession& session);

// A key of a numbered data.ini list: `prefix` followed by the entry number.
std::string NumberedKey(const char* prefix, int i);

// How many entries of the numbered list `section` to read: 1, 2, ... up to `count`, ending
// before the first entry of which the section holds none of the keys (`prefixes` + number).
// The count comes from the package and may be anything up to 2^31 - 1; the keys the file
// really holds bound the list instead.
int ListLength(const ini::Document& doc, const char* section, int count,
               std::initializer_list<const char*> prefixes);
