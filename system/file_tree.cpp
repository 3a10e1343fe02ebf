#include "system/file_tree.h"

#include "platform/platform.h"

namespace {

std::string WithSeparator(const std::string& folder) {
  return !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
}

bool Visit(const FileTreeVisitor& visitor, const std::string& path) {
  return !visitor || visitor(path) != kFileTreeAborted;
}

// One level of ListSubfolders; false when the visitor aborted at this level.
bool WalkFolders(const std::string& folder, bool recursive, const FileTreeVisitor& visitor,
                 std::vector<std::string>& list) {
  const std::string base = WithSeparator(folder);
  for (const plat::DirEntry& entry : plat::ListDirectory(base)) {
    if (!entry.isDirectory) continue;
    std::string path = base + entry.name;
    if (!Visit(visitor, path)) return false;
    if (recursive) WalkFolders(path, true, visitor, list);
    list.push_back(std::move(path));
  }
  return true;
}

bool ListFilesIn(const std::string& folder, const FileTreeVisitor& visitor,
                 std::vector<std::string>& list) {
  const std::string base = WithSeparator(folder);
  for (const plat::DirEntry& entry : plat::ListDirectory(base)) {
    if (entry.isDirectory) continue;
    std::string path = base + entry.name;
    if (!Visit(visitor, path)) return false;
    list.push_back(std::move(path));
  }
  return true;
}

bool IsDrivePath(const std::string& path) { return path.find(':') != std::string::npos; }

}  // namespace

int ListSubfolders(const std::string& root, bool recursive, std::vector<std::string>& out,
                   const FileTreeVisitor& visitor) {
  if (!IsDrivePath(root)) return 0;
  std::vector<std::string> list;
  if (!WalkFolders(root, recursive, visitor, list)) return kFileTreeAborted;
  out = std::move(list);
  return static_cast<int>(out.size());
}

int ListFiles(const std::string& root, bool recursive, std::vector<std::string>& out,
              const FileTreeVisitor& visitor) {
  if (!IsDrivePath(root)) return 0;
  std::vector<std::string> list;
  if (!ListFilesIn(root, visitor, list)) return kFileTreeAborted;
  if (recursive) {
    std::vector<std::string> folders;
    ListSubfolders(root, true, folders);
    for (const std::string& folder : folders) {
      if (!ListFilesIn(folder, visitor, list)) return kFileTreeAborted;
    }
  }
  out = std::move(list);
  return static_cast<int>(out.size());
}

bool FolderHasContent(const std::string& folder) {
  const FileTreeVisitor stopAtFirst = [](const std::string&) { return kFileTreeAborted; };
  std::vector<std::string> ignored;
  if (ListSubfolders(folder, false, ignored, stopAtFirst) != 0) return true;
  return ListFiles(folder, false, ignored, stopAtFirst) != 0;
}
