// Folder texts as the runtime compares them.
#pragma once

#include <string>

// Upper-cases the first byte of `path` in place (a drive letter) and returns the path without
// one trailing "\".
std::string NormalizeFolder(std::string& path);
// The same on a copy.
std::string NormalizedFolder(std::string path);

// True when `path` is a Program Files folder (ProgramFiles, ProgramFiles(x86), ProgramW6432) or
// lies inside one; compared without ASCII case, by whole folder names.
bool IsUnderProgramFiles(const std::string& path);

// Creates the install folder with every missing level. In an elevated run (a per-machine
// install) the highest level it created gets the access list of a program folder
// (plat::SetProgramFolderAccess: users read and execute, never write), unless it lies inside
// Program Files, whose own list it inherits: a folder made under "C:\" would otherwise let every
// user replace the installed programs. A folder that existed already keeps its list. True
// when the folder exists afterwards and, where it was due, its list was set.
bool PrepareInstallFolder(const std::string& installPath);
