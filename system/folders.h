// Folder texts as the runtime compares them.
#pragma once

#include <string>

// Upper-cases the first byte of `path` in place (a drive letter) and returns the path without
// one trailing "\".
std::string NormalizeFolder(std::string& path);
// The same on a copy.
std::string NormalizedFolder(std::string path);
