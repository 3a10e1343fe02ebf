// Checks a package project before anything is written, so that a misspelt name, a broken
// structure or a value the runtime would silently misread stops the build with the file and
// line instead of surfacing at install time on someone else's machine.
#pragma once

#include <string>

// `path` is the UTF-8 data.ini of a project. Returns "" when it is fine, otherwise a message
// naming the file and line ("path:12: unknown key ..."); texts GBK cannot represent and a
// missing file are reported the same way.
std::string CheckDataIni(const std::string& path);

// Every project file the runtime reads: data.ini (sections, keys, the numbered items of the
// shortcut, run and uninstall lists against their counts), GUItext.ini (keys, font markup),
// Except.ini (groups, entries that exist in payload/), choosegment.ini (block and section
// structure, tree lines, script lines, blocks that name a tree item), registry.ini, variable.ini,
// plugins.ini or QZRDLL_s.ini (at most 15 parameters), skin/ (known picture names, picture
// signatures). "" or the first "file:line: what".
std::string CheckProject(const std::string& projectDir);

// The names the runtime reads skin pictures under (files of the project's skin/ folder).
bool IsSkinPictureName(const std::string& utf8Name);
