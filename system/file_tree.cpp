#include "system/file_tree.h"

#include "common/text.h"
#include "platform/platform.h"

namespace {

bool Visit(const FileTreeVisitor& visitor, const std::string& path) {
  return !visitor || visitor(path) != kFileTreeAborted;
}

struct FoundFolder {
  std::string path;
  bool isLink = false;  // a junction or symbolic link: listed, never entered
};

// One level of ListSubfolders; false when the visitor aborted at this level. A reparse point
// is listed like any folder (deleting it removes the link only) but never walked: what it
// points at is not the tree's, and the uninstaller deletes what these walks find.
bool WalkFolders(const std::string& folder, bool recursive, const FileTreeVisitor& visitor,
                 std::vector<FoundFolder>& list) {
  const std::string base = text::WithSeparator(folder);
  for (const plat::DirEntry& entry : plat::ListDirectory(base)) {
    if (!entry.isDirectory) continue;
    const bool isLink = (entry.attributes & plat::kFileAttributeReparsePoint) != 0;
    FoundFolder found{base + entry.name, isLink};
    if (!Visit(visitor, found.path)) return false;
    if (recursive && !found.isLink) WalkFolders(found.path, true, visitor, list);
    list.push_back(std::move(found));
  }
  return true;
}

bool ListFilesIn(const std::string& folder, const FileTreeVisitor& visitor,
                 std::vector<std::string>& list) {
  const std::string base = text::WithSeparator(folder);
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
  std::vector<FoundFolder> found;
  if (!WalkFolders(root, recursive, visitor, found)) return kFileTreeAborted;
  out.clear();
  for (FoundFolder& f : found) out.push_back(std::move(f.path));
  return static_cast<int>(out.size());
}

int ListFiles(const std::string& root, bool recursive, std::vector<std::string>& out,
              const FileTreeVisitor& visitor) {
  if (!IsDrivePath(root)) return 0;
  std::vector<std::string> list;
  if (!ListFilesIn(root, visitor, list)) return kFileTreeAborted;
  if (recursive) {
    std::vector<FoundFolder> folders;
    WalkFolders(root, true, {}, folders);
    for (const FoundFolder& folder : folders) {
      if (!folder.isLink && !ListFilesIn(folder.path, visitor, list)) return kFileTreeAborted;
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
