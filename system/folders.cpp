#include "system/folders.h"

#include "common/text.h"

std::string NormalizeFolder(std::string& path) {
  if (!path.empty() && path[0] >= 'a' && path[0] <= 'z') path[0] = char(path[0] - 'a' + 'A');
  std::string result = path;
  if (text::EndsWithSeparator(result)) result.pop_back();
  return result;
}

std::string NormalizedFolder(std::string path) { return NormalizeFolder(path); }
