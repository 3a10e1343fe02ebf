// Checks a package project's data.ini before anything is written: every section must be one
// the runtime reads, and so must every key of the sections whose keys are fixed, so that a
// misspelt name stops the build instead of being silently ignored at install time.
#pragma once

#include <string>

// `path` is the UTF-8 data.ini of a project. Returns "" when it is fine, otherwise a message
// naming the file and line ("path:12: unknown key ..."); texts GBK cannot represent and a
// missing file are reported the same way.
std::string CheckDataIni(const std::string& path);
