// The Windows version as GetVersion packs it, and its name.
#pragma once

#include <string>

// Sets `version` to major + minor / 10 (6.1 for Windows 7) and returns the name, or
// "未知操作系统" for a version not in the table.
std::string GetWindowsVersionName(double& version);
