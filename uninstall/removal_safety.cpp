#include "uninstall/removal_safety.h"

#include <vector>

#include "common/text.h"
#include "package/uninstall_handoff.h"
#include "platform/platform.h"

namespace {

constexpr uint32_t kMissing = 0xFFFFFFFF;

// The components after "X:", empty ones and a trailing separator left out; false when the
// path is no clean drive path.
bool CleanComponents(const std::string& path, std::vector<std::string>& out) {
  if (path.size() < 3 || path[1] != ':' || path[2] != '\\') return false;
  const char drive = path[0];
  if (!((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z'))) return false;
  const std::string rest = text::StripTrailingSeparators(path.substr(3));
  out.clear();
  if (rest.empty()) return true;
  for (const std::string& piece : text::SplitPath(rest)) {
    if (piece.empty() || piece == "." || piece == "..") return false;
    out.push_back(piece);
  }
  return true;
}

// The path folded for comparison: drive letter and components, joined with "\".
std::string Folded(const std::string& path) {
  return text::ToLowerAscii(text::StripTrailingSeparators(path, 3));
}

void AddKnown(std::vector<std::string>& known, const std::string& folder) {
  std::vector<std::string> pieces;
  if (CleanComponents(folder, pieces)) known.push_back(Folded(folder));
}

std::vector<std::string> KnownFolders() {
  std::vector<std::string> known;
  AddKnown(known, plat::WindowsFolder());
  AddKnown(known, plat::WindowsFolder() + "\\System32");
  AddKnown(known, plat::WindowsFolder() + "\\SysWOW64");
  AddKnown(known, plat::TempFolder());
  for (const char* name : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "ProgramData",
                           "ALLUSERSPROFILE", "USERPROFILE", "PUBLIC", "APPDATA", "LOCALAPPDATA",
                           "SystemRoot", "windir", "TEMP", "TMP", "CommonProgramFiles",
                           "CommonProgramFiles(x86)"})
    AddKnown(known, plat::GetEnv(name));
  for (int csidl : {plat::kCsidlPrograms, plat::kCsidlDesktopDirectory, plat::kCsidlAppData,
                    plat::kCsidlCommonPrograms, plat::kCsidlCommonDesktopDirectory,
                    plat::kCsidlStartMenu, plat::kCsidlPersonal, plat::kCsidlLocalAppData,
                    plat::kCsidlCommonAppData, plat::kCsidlProfile})
    AddKnown(known, plat::ShellFolder(csidl));
  return known;
}

}  // namespace

bool IsCleanDrivePath(const std::string& path) {
  std::vector<std::string> pieces;
  return CleanComponents(path, pieces);
}

bool IsSameFolder(const std::string& a, const std::string& b) {
  return IsCleanDrivePath(a) && IsCleanDrivePath(b) && Folded(a) == Folded(b);
}

bool IsBelowFolder(const std::string& path, const std::string& folder) {
  if (!IsCleanDrivePath(path) || !IsCleanDrivePath(folder)) return false;
  const std::string p = Folded(path);
  const std::string f = text::WithSeparator(Folded(folder));
  return p.size() > f.size() && p.compare(0, f.size(), f) == 0;
}

bool IsLink(const std::string& path) {
  const uint32_t attributes = plat::GetFileAttributes(path);
  return attributes != kMissing && (attributes & plat::kFileAttributeReparsePoint) != 0;
}

bool PassesThroughLink(const std::string& path, const std::string& folder) {
  std::vector<std::string> pieces;
  std::vector<std::string> base;
  if (!CleanComponents(path, pieces) || !CleanComponents(folder, base)) return true;
  std::string walk = text::StripTrailingSeparators(folder, 3);
  for (size_t i = base.size(); i + 1 < pieces.size(); ++i) {
    walk = text::WithSeparator(walk) + pieces[i];
    if (IsLink(walk)) return true;
  }
  return false;
}

bool IsProtectedFolder(const std::string& folder) {
  std::vector<std::string> pieces;
  if (!CleanComponents(folder, pieces) || pieces.empty()) return true;
  const std::string f = Folded(folder);
  const std::string below = f + "\\";
  for (const std::string& known : KnownFolders()) {
    if (known == f) return true;
    if (known.size() > below.size() && known.compare(0, below.size(), below) == 0) return true;
  }
  return false;
}

bool IsEngineFolderAllowed(const std::string& engineFolder) {
  return IsBelowFolder(engineFolder,
                       plat::TempFolder() + package::kUninstallTempFolder);
}

bool RemoveFolderLink(const std::string& link) {
  // Windows removes a junction or directory link with RemoveDirectory; a link the host (or a
  // file symbolic link) keeps as a file goes with DeleteFile. Neither touches the target.
  if (!plat::RemoveDirectory(link)) (void)plat::DeleteFile(link);
  return plat::GetFileAttributes(link) == kMissing;
}

bool RemoveTreeNoFollow(const std::string& folder) {
  if (plat::GetFileAttributes(folder) == kMissing) return true;
  if (IsLink(folder)) return RemoveFolderLink(folder);
  // The tree removal of the platform removes the links inside as links.
  (void)plat::RemoveDirectoryTree(folder);
  return plat::GetFileAttributes(folder) == kMissing;
}
