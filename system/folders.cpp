#include "system/folders.h"

#include "common/text.h"
#include "platform/platform.h"

std::string NormalizeFolder(std::string& path) {
  if (!path.empty() && path[0] >= 'a' && path[0] <= 'z') path[0] = char(path[0] - 'a' + 'A');
  std::string result = path;
  if (text::EndsWithSeparator(result)) result.pop_back();
  return result;
}

std::string NormalizedFolder(std::string path) { return NormalizeFolder(path); }

namespace {

bool IsSameOrInside(const std::string& path, std::string folder) {
  NormalizeFolder(folder);
  if (folder.empty() || path.size() < folder.size()) return false;
  if (!text::EqualsIgnoreCaseAscii(path.substr(0, folder.size()), folder)) return false;
  return path.size() == folder.size() || path[folder.size()] == '\\';
}

}  // namespace

bool IsUnderProgramFiles(const std::string& path) {
  const std::string normalized = NormalizedFolder(path);
  for (const char* name : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"})
    if (IsSameOrInside(normalized, plat::GetEnv(name))) return true;
  return false;
}

bool PrepareInstallFolder(const std::string& installPath) {
  const std::string folder = NormalizedFolder(installPath);
  if (folder.empty()) return false;
  // The highest missing level, found before anything is created.
  std::string highestMissing;
  for (std::string level = folder; !level.empty() && !plat::DirectoryExists(level);) {
    highestMissing = level;
    const size_t slash = text::FindLastSeparator(level);
    if (slash == std::string::npos) break;
    level = level.substr(0, slash);
  }
  if (!plat::CreateDirectories(folder)) return false;
  if (highestMissing.empty() || !plat::IsElevated() || IsUnderProgramFiles(highestMissing))
    return true;
  return plat::SetProgramFolderAccess(highestMissing);
}
